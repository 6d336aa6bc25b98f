// Tests of the simulated FG503: the lines ondra sends, accepted or refused,
// and the state they leave.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "models.h"

namespace {

struct Case {
  std::string input;
  std::string state;                  // describe() afterwards
  std::vector<std::string> refused;   // refused lines, line end removed
};

const Case kCases[] = {
    // Wave shapes: a keyword at the start of the line, in any case.
    {"SIN\r\n", "FG503 FUNC=SIN FREQ=1000 AMP=1 OFFS=0 refused=0", {}},
    {"Square\r\n", "FG503 FUNC=SQU FREQ=1000 AMP=1 OFFS=0 refused=0", {}},
    {"tri\r\nRUP\r\n", "FG503 FUNC=RUP FREQ=1000 AMP=1 OFFS=0 refused=0", {}},
    {"rdw\r\ndc2\r\n", "FG503 FUNC=DC FREQ=1000 AMP=1 OFFS=0 refused=0", {}},
    {"si\r\nS\r\nHELLO\r\n", "FG503 FUNC=SIN FREQ=1000 AMP=1 OFFS=0 refused=3",
     {"si", "S", "HELLO"}},
    // Frequency: 0.01 to 3E6 for sine and square, to 20E3 for the others.
    {"0.010000HZ\r\n", "FG503 FUNC=SIN FREQ=0.01 AMP=1 OFFS=0 refused=0", {}},
    {"0.009999HZ\r\n", "FG503 FUNC=SIN FREQ=1000 AMP=1 OFFS=0 refused=1", {"0.009999HZ"}},
    {"SQU\r\n3000000.000000HZ\r\n", "FG503 FUNC=SQU FREQ=3000000 AMP=1 OFFS=0 refused=0", {}},
    {"3000000.250000HZ\r\n", "FG503 FUNC=SIN FREQ=1000 AMP=1 OFFS=0 refused=1",
     {"3000000.250000HZ"}},
    {"TRI\r\n20000.000000HZ\r\n", "FG503 FUNC=TRI FREQ=20000 AMP=1 OFFS=0 refused=0", {}},
    {"DC\r\n20000.001953HZ\r\n", "FG503 FUNC=DC FREQ=1000 AMP=1 OFFS=0 refused=1",
     {"20000.001953HZ"}},
    {"2500hz\n", "FG503 FUNC=SIN FREQ=2500 AMP=1 OFFS=0 refused=0", {}},
    {"1000\r\n1000KHZ\r\n0x10HZ\r\nINFHZ\r\n",
     "FG503 FUNC=SIN FREQ=1000 AMP=1 OFFS=0 refused=4", {"1000", "1000KHZ", "0x10HZ", "INFHZ"}},
    // Amplitude, as sent: 0.04 to 20.
    {"0.040000V\r\n", "FG503 FUNC=SIN FREQ=1000 AMP=0.04 OFFS=0 refused=0", {}},
    {"20.000000v\r\n", "FG503 FUNC=SIN FREQ=1000 AMP=20 OFFS=0 refused=0", {}},
    {"0.039999V\r\n20.500000V\r\n", "FG503 FUNC=SIN FREQ=1000 AMP=1 OFFS=0 refused=2",
     {"0.039999V", "20.500000V"}},
    // Offset: limited above only, by the band of the amplitude.
    {"2.000000V\r\n3.000000Vof\r\n", "FG503 FUNC=SIN FREQ=1000 AMP=2 OFFS=3 refused=0", {}},
    {"2.000000V\r\n3.100000Vof\r\n", "FG503 FUNC=SIN FREQ=1000 AMP=2 OFFS=0 refused=1",
     {"3.100000Vof"}},
    {"2.000000V\r\n-100.000000VOF\r\n", "FG503 FUNC=SIN FREQ=1000 AMP=2 OFFS=-100 refused=0",
     {}},
    {"0.500000V\r\n0.500000Vof\r\n0.600000Vof\r\n",
     "FG503 FUNC=SIN FREQ=1000 AMP=0.5 OFFS=0.5 refused=1", {"0.600000Vof"}},
    {"0.050000V\r\n0.050000Vof\r\n0.060000vof\r\n",
     "FG503 FUNC=SIN FREQ=1000 AMP=0.05 OFFS=0.05 refused=1", {"0.060000vof"}},
    {"15.000000V\r\n1000.000000Vof\r\n",
     "FG503 FUNC=SIN FREQ=1000 AMP=15 OFFS=1000 refused=0", {}},
    {"4.000000Vof\r\n4.100000Vof\r\n", "FG503 FUNC=SIN FREQ=1000 AMP=1 OFFS=4 refused=1",
     {"4.100000Vof"}},
    // A whole ondra run, refused at the offset.
    {"sin\r\n1000.000000HZ\r\n2.500000V\r\n3.000000Vof\r\n",
     "FG503 FUNC=SIN FREQ=1000 AMP=2.5 OFFS=0 refused=1", {"3.000000Vof"}},
    // Bare line ends change nothing; an overlong line is refused whole.
    {"\r\n\n", "FG503 FUNC=SIN FREQ=1000 AMP=1 OFFS=0 refused=0", {}},
    {std::string(5000, '9') + "HZ\r\nTRI\r\n", "FG503 FUNC=TRI FREQ=1000 AMP=1 OFFS=0 refused=1",
     {std::string(4096, '9') + "..."}},
};

TEST(Fg503, Lines) {
  for (const Case &c : kCases) {
    const std::string label = c.input.substr(0, 100);
    // Whole, and one byte at a time: framing must not depend on the split.
    sim::Fg503 whole, bytes;
    whole.receive(c.input);
    for (char ch : c.input) bytes.receive(std::string_view(&ch, 1));
    for (const sim::Fg503 *m : {&whole, &bytes}) {
      EXPECT_EQ(m->describe(), c.state) << "input: " << label;
      EXPECT_EQ(m->refused(), c.refused) << "input: " << label;
      EXPECT_EQ(m->pending(), 0u) << "the FG503 never replies; input: " << label;
    }
  }
}

TEST(Fg503, NoStatusByteAndClearDropsPartialLine) {
  sim::Fg503 m;
  EXPECT_FALSE(m.hasStatusByte());
  m.receive("TR");
  m.deviceClear();
  m.receive("SQU\r\n");
  EXPECT_EQ(m.describe(), "FG503 FUNC=SQU FREQ=1000 AMP=1 OFFS=0 refused=0");
}

}  // namespace
