#include "TimeZone.h"
#include <ctime>

int TimeZoneBiasMinutes()
{
    // localtime_r honours TZ and the daylight period in force at this moment.
    tzset();
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (!localtime_r(&now, &local))
        return 0;
    return -int(local.tm_gmtoff / 60);
}
