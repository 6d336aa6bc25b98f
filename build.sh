#!/usr/bin/env bash
# One command for each job, on a fresh Debian machine:
#   ./build.sh demo   install what is missing, build, run both programs on the
#                     built-in simulated generators and show what they received
#   ./build.sh test   install what is missing, build (plain and with ASan+UBSan)
#                     and run the whole test suite in both builds
set -euo pipefail
cd "$(dirname "$0")"
job=${1:-demo}

need_install() {
  for c in cmake ninja g++ strace; do command -v "$c" >/dev/null || return 0; done
  for h in /usr/include/gtest/gtest.h /usr/include/gmock/gmock.h \
           /usr/include/benchmark/benchmark.h; do [ -f "$h" ] || return 0; done
  return 1
}
if need_install; then
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq \
    cmake ninja-build g++ strace libgtest-dev libgmock-dev libbenchmark-dev >/dev/null
fi

build() { # dir, extra cmake args...
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DWERROR=ON "$@" >/dev/null
  ninja -C "$dir" >/dev/null
}

case "$job" in
  demo)
    build build
    trace=build/demo-trace.log
    rm -f "$trace"
    echo "== ondra on the simulated FG503: sine, 1 kHz, 2 Vpp, 0.5 V offset"
    VISA_TRACE=$trace build/bin/ondra SIM::FG503 SIN 1000 2 0.5 || true
    echo
    echo "== velkar on the simulated 33220A: 5-cycle burst, internal trigger"
    VISA_TRACE=$trace build/bin/velkar SIM::33220A 5 INT OFF DEG 0 || true
    echo
    echo "== what the generators received (VISA trace, $trace)"
    grep -E '^viWrite' "$trace" || cat "$trace"
    ;;
  test)
    build build
    build build-asan -DSANITIZE=ON -DBUILD_BENCH=OFF
    status=0
    (cd build && ctest -j2 --output-on-failure) || status=1
    (cd build-asan && ctest -j2 --output-on-failure) || status=1
    exit $status
    ;;
  *)
    echo "usage: ./build.sh demo|test" >&2
    exit 2
    ;;
esac
