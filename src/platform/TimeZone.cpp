#include "TimeZone.h"
int TimeZoneBiasMinutes() { return 0; }
