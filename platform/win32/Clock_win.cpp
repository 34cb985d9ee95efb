#include <windows.h>

#include "zuvo/platform/Clock.h"

namespace {

int64_t FileTimeSeconds(const SYSTEMTIME& time) {
  FILETIME file;
  SystemTimeToFileTime(&time, &file);
  return (int64_t(file.dwHighDateTime) << 32 | file.dwLowDateTime) / 10000000;
}

}  // namespace

LocalTime LocalTimeNow() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  LocalTime result;
  result.year = now.wYear;
  result.month = now.wMonth;
  result.day = now.wDay;
  result.hour = now.wHour;
  result.minute = now.wMinute;
  result.second = now.wSecond;
  result.millisecond = now.wMilliseconds;
  return result;
}

int64_t UnixSecondsNow() {
  SYSTEMTIME now;
  GetSystemTime(&now);
  const int64_t kEpochSeconds = 11644473600;  // 1601-01-01 to 1970-01-01
  return FileTimeSeconds(now) - kEpochSeconds;
}

int64_t LocalUtcOffsetSeconds() {
  SYSTEMTIME utc, local;
  GetSystemTime(&utc);
  SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
  int64_t offset = FileTimeSeconds(local) - FileTimeSeconds(utc);
  return (offset + 30) / 60 * 60;  // the two readings straddle no second boundary of interest
}
