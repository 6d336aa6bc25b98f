// The console status line (spinner, msg, clrmsg) and the busy-wait delay.
// The spinner phase and the longest message length are process-wide and
// never reset, so every sequence runs in a fresh child process.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "child.h"
#include "instr.h"

namespace {

std::string blanks(size_t n) { return std::string(n, ' '); }

std::string printable(const std::string &s) {
    std::string r;
    for (char ch : s) {
        if (ch == '\r') r += "\\r";
        else if (ch == '\n') r += "\\n";
        else r += ch;
    }
    return r;
}

struct Sequence {
    const char *what;
    std::function<void()> body;
    std::string err;
};

TEST(StatusLine, WritesExactBytesFromAFreshProcess) {
    const std::string text100(100, 'T');
    const std::string text76(76, 'u');
    const std::string text77(77, 's');
    const std::vector<Sequence> cases = {
        {"tickle 0, -1, 50 (one step each), 201 (two steps), 1: the phase wraps after 4",
         [] { tickle(0); tickle(-1); tickle(50); tickle(201); tickle(1); },
         "\r|\r/\r-\r\\\r|\r/"},
        {"msg abc, x, empty: padded to the longest text plus one",
         [] { msg("abc"); msg("x"); msg(""); },
         "\r| abc " "\r/ x   " "\r- " + blanks(4)},
        {"msg of 100 characters is cut at 77; later texts are padded to 77; clrmsg "
         "resets neither the padding nor the spinner",
         [&] { msg(text100.c_str()); msg("x"); clrmsg(); msg("ab"); },
         "\r| " + text100.substr(0, 77) + "\r/ x" + blanks(76) + "\r" + blanks(79) +
             "\r- ab" + blanks(75)},
        {"msg of 76 characters ends in one blank; 77 characters fill the line",
         [&] { msg(text76.c_str()); msg(text77.c_str()); },
         "\r| " + text76 + " " + "\r/ " + text77},
        {"control characters are written as they are; nothing ends the line",
         [] { msg("\nFailure\n"); },
         "\r| \nFailure\n "},
        {"clrmsg alone: a carriage return and 79 blanks", [] { clrmsg(); },
         "\r" + blanks(79)},
    };

    std::vector<std::function<void()>> bodies;
    for (const Sequence &c : cases) bodies.push_back(c.body);
    std::vector<ChildResult> results = runChildren(bodies);
    for (size_t i = 0; i < cases.size(); i++) {
        EXPECT_EQ(0, results[i].status) << cases[i].what;
        EXPECT_EQ("", results[i].out) << cases[i].what;
        EXPECT_EQ(printable(cases[i].err), printable(results[i].err)) << cases[i].what;
    }
}

double msSince(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
        .count();
}

TEST(Mwait, ReturnsAtOnceForZeroOneAndNegative) {
    for (int ms : {0, 1, -100, -2147483}) {
        auto t0 = std::chrono::steady_clock::now();
        mwait(ms);
        // generous: a wrong sign or compare would spin for days, not milliseconds
        EXPECT_LT(msSince(t0), 500.0) << "mwait(" << ms << ")";
    }
}

TEST(Mwait, BusyWaitsAtLeastAllButTheLastTick) {
    auto t0 = std::chrono::steady_clock::now();
    mwait(30);
    // It ends one tick before the target, and the start reading may lie up to
    // a tick late: more than 28 ms have passed.
    EXPECT_GE(msSince(t0), 28.0) << "mwait(30)";
}

}  // namespace
