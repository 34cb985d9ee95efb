// Wall-clock time and the process-wide random generator.
#pragma once

#include <cstdint>

struct LocalTime {
  int year = 0, month = 0, day = 0;  // month 1-12, day 1-31
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

LocalTime LocalTimeNow();
// Seconds since 1970-01-01 00:00 UTC.
int64_t UnixSecondsNow();
// Local time minus UTC, in seconds, at this moment.
int64_t LocalUtcOffsetSeconds();
// A steady clock for waits and time-outs.
int64_t SteadyMilliseconds();

// Uniform in [low, high]; safe from any thread. Seeded once per process from the system's
// random source and the clock, so two calls in the same second still differ.
int64_t RandomBetween(int64_t low, int64_t high);
