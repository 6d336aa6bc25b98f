// deadline.cpp - the deadline helper and its replaceable clock.
#include "deadline.h"

#include <poll.h>
#include <time.h>

#include <climits>

namespace visa {
namespace {

Millis monotonicNow() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<Millis>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

ClockFn g_clock = monotonicNow;

}  // namespace

ClockFn setClock(ClockFn clock) {
  ClockFn old = g_clock;
  g_clock = clock ? clock : monotonicNow;
  return old;
}

Deadline::Deadline(ViUInt32 timeoutMs)
    : infinite_(timeoutMs == VI_TMO_INFINITE),
      end_(g_clock() + static_cast<Millis>(timeoutMs)) {}

bool Deadline::expired() const { return !infinite_ && g_clock() >= end_; }

int Deadline::pollTimeout() const {
  if (infinite_) return -1;
  const Millis left = end_ - g_clock();
  if (left <= 0) return 0;
  return left > INT_MAX ? INT_MAX : static_cast<int>(left);
}

void Deadline::sleepUntilExpired() const {
  if (infinite_) return;
  while (!expired()) poll(nullptr, 0, pollTimeout());
}

}  // namespace visa
