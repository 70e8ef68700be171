#pragma once

// The time-zone bias in force now, in minutes, as UTC minus local time
// (three hours east of UTC gives -180); daylight saving in force is included.
int TimeZoneBiasMinutes();
