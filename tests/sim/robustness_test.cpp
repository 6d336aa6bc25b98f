// Both models fed long runs of arbitrary input: nothing may crash or read
// out of bounds (each piece sits in a buffer of exactly its size, for the
// sanitizer builds), and replies only ever leave as whole messages.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "instrument.h"

namespace {

// Fixed-seed generator: the same input on every run.
struct Random {
  std::uint64_t x = 0x9E3779B97F4A7C15u;
  std::uint64_t next() {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    return x;
  }
};

const char *const kTokens[] = {
    "FREQ",  "BURS", "NCYC", "INT",  "PER",  "PHAS", ":",   ";",      "?",     " ",
    ",",     "MAX",  "INF",  "1E999", "-1",  "2.5",  "*",   "IDN",    "\n",    "\r\n",
    "\"",    "'",    "OUTP", "ON",   "SIN",  "HZ",   "Vof", "SYST:ERR?", "*RST", "FUNC",
    "TRIG",  "SOUR", "STAT", "1e-7", "V",    "DC",   "0x10", "\t",    "UNIT:ANGL RAD", "9",
};

TEST(Models, ArbitraryInput) {
  for (const char *model : {"33220A", "FG503"}) {
    std::string why;
    std::unique_ptr<sim::Instrument> m = sim::make(model, {}, &why);
    ASSERT_TRUE(m) << why;
    Random r;
    for (int i = 0; i < 3000; ++i) {
      std::string text;
      const int n = static_cast<int>(r.next() % 24);
      for (int t = 0; t < n; ++t) {
        if (r.next() % 8 == 0) text += static_cast<char>(r.next() & 0xff);
        else text += kTokens[r.next() % (sizeof kTokens / sizeof kTokens[0])];
      }
      const std::vector<char> piece(text.begin(), text.end());
      m->receive(std::string_view(piece.data(), piece.size()));
      if (r.next() % 4 == 0) m->readEmpty();
      if (r.next() % 50 == 0) m->deviceClear();
      std::string reply(m->pending(), '\0');
      m->take(reply.data(), reply.size());
      if (!reply.empty()) {
        EXPECT_EQ(reply.back(), '\n') << model << " after: " << text;
      }
      if (m->hasStatusByte()) (void)m->statusByte();
    }
    EXPECT_FALSE(m->describe().empty());
  }
}

}  // namespace
