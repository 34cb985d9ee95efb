#include <sys/time.h>
#include <time.h>

#include "zuvo/platform/Clock.h"

LocalTime LocalTimeNow() {
  timeval now;
  gettimeofday(&now, nullptr);
  tm parts;
  localtime_r(&now.tv_sec, &parts);
  LocalTime result;
  result.year = parts.tm_year + 1900;
  result.month = parts.tm_mon + 1;
  result.day = parts.tm_mday;
  result.hour = parts.tm_hour;
  result.minute = parts.tm_min;
  result.second = parts.tm_sec;
  result.millisecond = int(now.tv_usec / 1000);
  return result;
}

int64_t UnixSecondsNow() { return int64_t(time(nullptr)); }

int64_t LocalUtcOffsetSeconds() {
  time_t now = time(nullptr);
  tm parts;
  localtime_r(&now, &parts);
  return parts.tm_gmtoff;
}
