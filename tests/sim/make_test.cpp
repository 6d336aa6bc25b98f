// Tests of sim::make: model names and start-up settings.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "instrument.h"

namespace {

struct Case {
  std::string model;
  std::vector<std::string> settings;
  std::string expect;  // reply to "FUNC?;FREQ?" for the 33220A, describe()
                       // for the FG503, or a word the reason must contain
  bool made;
};

const Case kCases[] = {
    {"FG503", {}, "FG503 FUNC=SIN FREQ=1000 AMP=1 OFFS=0 refused=0", true},
    {"fg503", {}, "FG503 FUNC=SIN FREQ=1000 AMP=1 OFFS=0 refused=0", true},
    {"33220A", {}, "SIN;+1.000000000000000E+03\n", true},
    {"33220a", {"FREQ=7E6", "FUNC=SQU"}, "SQU;+7.000000000000000E+06\n", true},
    {"33220A", {"func=square", "freq=7E6"}, "SQU;+7.000000000000000E+06\n", true},
    {"33220A", {"FREQ=150E3", "FUNC=RAMP"}, "RAMP;+1.500000000000000E+05\n", true},
    {"33220A", {"FUNC=RAMP", "FREQ=1E6"}, "RAMP", false},
    {"33220A", {"FREQ=21E6"}, "frequency", false},
    {"33220A", {"FREQ=abc"}, "abc", false},
    {"33220A", {"FREQ=7E6x"}, "7E6x", false},
    {"33220A", {"FUNC=TRIANGLE"}, "TRIANGLE", false},
    {"33220A", {"VOLT=1"}, "VOLT=1", false},
    {"33220A", {"FREQ"}, "FREQ", false},
    {"FG503", {"FREQ=1"}, "FREQ=1", false},
    {"HP3325", {}, "HP3325", false},
    {"", {}, "model", false},
};

TEST(Make, ModelsAndSettings) {
  for (const Case &c : kCases) {
    std::string label = c.model;
    for (const std::string &s : c.settings) label += " " + s;
    std::string why;
    std::unique_ptr<sim::Instrument> m = sim::make(c.model, c.settings, &why);
    ASSERT_EQ(m != nullptr, c.made) << label << ": " << why;
    if (!m) {
      EXPECT_NE(why.find(c.expect), std::string::npos) << label << ": " << why;
    } else if (m->hasStatusByte()) {
      m->receive("FUNC?;FREQ?\n");
      std::string reply(m->pending(), '\0');
      m->take(reply.data(), reply.size());
      EXPECT_EQ(reply, c.expect) << label;
    } else {
      EXPECT_EQ(m->describe(), c.expect) << label;
    }
  }
}

TEST(Make, NullReasonPointerIsAllowed) {
  EXPECT_EQ(sim::make("nothing", {}, nullptr), nullptr);
  EXPECT_EQ(sim::make("33220A", {"X=1"}, nullptr), nullptr);
}

}  // namespace
