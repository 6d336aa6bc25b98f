// Resource strings as viOpen sees them: what is malformed, what is absent,
// what is not served here, whatever the length or the bytes.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "visa.h"

namespace {

struct Case {
  std::string name;
  ViStatus expected;
};

std::string shown(const std::string &s) {
  return s.size() > 80 ? s.substr(0, 80) + "... (" + std::to_string(s.size()) + " chars)" : s;
}

TEST(ResourceString, OpenStatusPerString) {
  const std::string longPart(100000, 'a');
  const Case cases[] = {
      // Malformed.
      {"", VI_ERROR_INV_RSRC_NAME},
      {"INSTR", VI_ERROR_INV_RSRC_NAME},
      {"::INSTR", VI_ERROR_INV_RSRC_NAME},
      {"ASRL1", VI_ERROR_INV_RSRC_NAME},
      {"ASRL1::", VI_ERROR_INV_RSRC_NAME},
      {"ASRL1::::INSTR", VI_ERROR_INV_RSRC_NAME},
      {"ASRL1::INSTR::", VI_ERROR_INV_RSRC_NAME},
      {"ASRL::INSTR", VI_ERROR_INV_RSRC_NAME},
      {"ASRLx::INSTR", VI_ERROR_INV_RSRC_NAME},
      {"ASRL1::EXTRA::INSTR", VI_ERROR_INV_RSRC_NAME},
      {"ASRL1::SOCKET", VI_ERROR_INV_RSRC_NAME},
      {"ASRL1::INSTR\n", VI_ERROR_INV_RSRC_NAME},
      {" ASRL1::INSTR", VI_ERROR_INV_RSRC_NAME},
      {"FOO1::INSTR", VI_ERROR_INV_RSRC_NAME},
      {"123::INSTR", VI_ERROR_INV_RSRC_NAME},
      {"\xff\x01\x7f::INSTR", VI_ERROR_INV_RSRC_NAME},
      {"SIM::INSTR", VI_ERROR_INV_RSRC_NAME},
      {"SIMx::FG503::INSTR", VI_ERROR_INV_RSRC_NAME},
      {"SIM::FG503::NOEQUALS::INSTR", VI_ERROR_INV_RSRC_NAME},
      {"SIM::FG503::=1::INSTR", VI_ERROR_INV_RSRC_NAME},
      {std::string(100000, 'A'), VI_ERROR_INV_RSRC_NAME},
      {std::string(100000, ':'), VI_ERROR_INV_RSRC_NAME},
      {longPart + "::INSTR", VI_ERROR_INV_RSRC_NAME},
      // Well formed, no such device (any case of the interface name).
      {"ASRL/dev/no-such-visa-line::INSTR", VI_ERROR_RSRC_NFOUND},
      {"asrl/dev/no-such-visa-line::instr", VI_ERROR_RSRC_NFOUND},
      {"ASRL/dev/null::INSTR", VI_ERROR_RSRC_NFOUND},  // not a terminal
      {"ASRL0::INSTR", VI_ERROR_RSRC_NFOUND},
      {"ASRL99999999999999999999::INSTR", VI_ERROR_RSRC_NFOUND},
      {"ASRL/" + longPart + "::INSTR", VI_ERROR_RSRC_NFOUND},
      {"SIM::NO-SUCH-MODEL::INSTR", VI_ERROR_RSRC_NFOUND},
      {"Sim::" + longPart + "::INSTR", VI_ERROR_RSRC_NFOUND},
      // VISA interfaces this library does not serve.
      {"TCPIP0::192.0.2.1::INSTR", VI_ERROR_INTF_NUM_NCONFIG},
      {"tcpip::host::5025::SOCKET", VI_ERROR_INTF_NUM_NCONFIG},
      {"USB1::1689::869::C020200::0::INSTR", VI_ERROR_INTF_NUM_NCONFIG},
      {"GPIB0::22::INSTR", VI_ERROR_INTF_NUM_NCONFIG},
      {"gpib-vxi0::1::INSTR", VI_ERROR_INTF_NUM_NCONFIG},
      {"VXI0::1::INSTR", VI_ERROR_INTF_NUM_NCONFIG},
      {"PXI0::1::INSTR", VI_ERROR_INTF_NUM_NCONFIG},
      {"TCPIP0::" + longPart + "::INSTR", VI_ERROR_INTF_NUM_NCONFIG},
  };
  ViSession rm = VI_NULL;
  ASSERT_EQ(viOpenDefaultRM(&rm), VI_SUCCESS);
  for (const Case &c : cases) {
    // Exactly the string's bytes on the heap, so a read past its end shows.
    std::unique_ptr<char[]> name(new char[c.name.size() + 1]);
    std::memcpy(name.get(), c.name.c_str(), c.name.size() + 1);
    ViSession vi = 12345;
    EXPECT_EQ(viOpen(rm, name.get(), VI_NULL, 0, &vi), c.expected) << shown(c.name);
    EXPECT_EQ(vi, static_cast<ViSession>(VI_NULL)) << shown(c.name);
  }
  viClose(rm);
}

}  // namespace
