// console.cpp - the one-line status area on standard error (spinner, message,
// blanking) and the busy-wait delay that paces it.
//
// Layout of the line: column 0 the spinner, column 1 a blank, columns 2-78 up
// to 77 characters of text. The spinner phase and the longest message length
// live for the whole process and are never reset.

#include <stdint.h>
#include <string.h>
#include <time.h>

#include "instr.h"

namespace {

const char kSpinner[] = "|/-\\";
const int kMaxStep = 200;      // longest single spinner step, ms
const int kLastColumn = 76;    // last text index msg writes (77 characters)
const int kLineWidth = 79;     // columns 0-78, blanked by clrmsg
const int kTicksPerSecond = 1000;

int64_t monotonicMs() {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (int64_t)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
}

// Elapsed-time tick counter: one tick per millisecond since the first
// reading, which the initialiser below takes before main, so the ticks count
// from program start. Tick values are signed 32-bit and wrap.
int32_t ticks() {
    static const int64_t origin = monotonicMs();
    return (int32_t)(uint32_t)(monotonicMs() - origin);
}
[[maybe_unused]] const int32_t kStartTick = ticks();

// Signed 32-bit sum and difference with wrap-around, as the tick arithmetic
// has them.
int32_t tickAdd(int32_t a, int32_t b) { return (int32_t)((uint32_t)a + (uint32_t)b); }
int32_t tickDiff(int32_t a, int32_t b) { return (int32_t)((uint32_t)a - (uint32_t)b); }

}  // namespace

// Busy-waits ms milliseconds; ends one tick before the target, so it waits at
// least ms - 1 ticks, and returns at once for ms <= 1.
void mwait(int ms) {
    int32_t start = ticks();
    int32_t product = (int32_t)((uint32_t)ms * (uint32_t)kTicksPerSecond);
    int32_t target = tickAdd(start, (int32_t)(product / 1000.0));
    if (ms == 0)
        return;
    while (tickDiff(target, ticks()) > 1) {
    }
}

// Turns the spinner for ms milliseconds in steps of at most 200 ms; always at
// least one step. Each step writes a carriage return and the next spinner
// character.
void tickle(int ms) {
    static int32_t pchr = 0;
    int step = ms > kMaxStep ? kMaxStep : (ms < 1 ? 1 : ms);
    int64_t elapsed = 0;
    do {
        fprintf(stderr, "\r%c", kSpinner[pchr]);
        pchr = (pchr + 1) % 4;
        mwait(step);
        elapsed += step;
    } while (elapsed < ms);
}

// Rewrites the line: one spinner step, a blank, then the text cut at 77
// characters and padded with blanks to the longest length seen so far (plus
// one), so an earlier, longer message is covered. No line end is added.
void msg(const char *text) {
    static int32_t msglength = 0;
    size_t len = strlen(text);
    if (len >= (size_t)msglength)
        msglength = len >= (size_t)INT32_MAX ? INT32_MAX : (int32_t)len + 1;
    tickle(1);
    fputc(' ', stderr);
    for (int32_t i = 0; i < msglength && i <= kLastColumn; i++)
        fputc((size_t)i < len ? text[i] : ' ', stderr);
}

// Blanks the whole line and leaves the cursor after its last column.
void clrmsg(void) {
    fputc('\r', stderr);
    for (int i = 0; i < kLineWidth; i++)
        fputc(' ', stderr);
}
