// deadline.h - one time-out for one operation: started when the operation
// starts, asked for the time left before every wait. The clock is a plain
// function pointer so a test can put a fake one in its place and never sleep.
#pragma once

#include <cstdint>

#include "visa.h"

namespace visa {

using Millis = std::int64_t;
using ClockFn = Millis (*)();

// Replaces the clock (milliseconds, monotonic); nullptr restores the real
// one (CLOCK_MONOTONIC). Returns the clock that was in place.
ClockFn setClock(ClockFn clock);

class Deadline {
 public:
  // timeoutMs as in VI_ATTR_TMO_VALUE: VI_TMO_INFINITE never expires,
  // VI_TMO_IMMEDIATE is expired from the start (one non-blocking try).
  explicit Deadline(ViUInt32 timeoutMs);

  bool expired() const;
  // Time left as poll() takes it: -1 for no limit, else 0..INT_MAX ms.
  int pollTimeout() const;
  // Sleeps (in poll, never spinning) until the deadline has passed. With no
  // limit it returns at once: a wait that can never end is not made.
  void sleepUntilExpired() const;

 private:
  bool infinite_;
  Millis end_;
};

}  // namespace visa
