// The status byte (status, dspstb) and the termination character
// (setTermChar, unsetTermChar), driven by the scripted VISA double.
#include <gtest/gtest.h>

#include <stdio.h>

#include <string>
#include <vector>

#include "child.h"
#include "instr.h"
#include "visa_double.h"

namespace {

std::string hex(ViStatus s) {
  char buf[16];
  snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(s));
  return buf;
}

vd::Reply stb(ViStatus status, ViUInt32 value) {
  vd::Reply r;
  r.status = status;
  r.hasValue = true;
  r.value = value;
  return r;
}

const char kStbFailure[] = "Failure obtaining status byte in viReadSTB statement...\n";

// status returns the whole 16-bit value; dspstb shows its low 8 bits on the
// status line of a fresh process (spinner '|', 21 characters and one blank).
TEST(StatusByte, ReadAndShown) {
  struct Case {
    ViUInt32 value;
    std::string returned, bits;
  };
  const std::vector<Case> cases = {
      {0x41, "65", "01000001"},
      {0x00, "0", "00000000"},
      {0xFF, "255", "11111111"},
      {0x80, "128", "10000000"},
      {0x0141, "321", "01000001"},
  };
  for (const Case& c : cases) {
    vd::reset();
    vd::push("viReadSTB", stb(VI_SUCCESS, c.value));
    vd::push("viReadSTB", stb(VI_SUCCESS, c.value));
    ChildResult r = runChild([] {
      printf("%d", status(2));
      dspstb(2);
    });
    SCOPED_TRACE("status byte " + std::to_string(c.value));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, c.returned);
    EXPECT_EQ(r.err, "\r| Status byte: " + c.bits + " ");
    EXPECT_EQ(r.calls, "viReadSTB(2)\nviReadSTB(2)\n");
  }
}

// With the echo on, the value read comes first, even after a failed read that
// left the value unset (then it shows 0).
TEST(StatusByte, EchoComesBeforeEverythingElse) {
  vd::reset();
  vd::push("viReadSTB", stb(VI_SUCCESS, 65));
  vd::pushStatuses("viReadSTB", {VI_ERROR_TMO});
  ChildResult r = runChild([] {
    defaultRM = 1;
    BusEcho = 1;
    printf("%d", status(2));
    status(2);
  });
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "65");
  EXPECT_EQ(r.err, std::string("\nStatus:<65>\n\nStatus:<0>\n") + kStbFailure +
                       "\nThe session TIMED OUT.\n\n");
  EXPECT_EQ(r.calls, "viReadSTB(2)\nviReadSTB(2)\nviClose(1)\n");
}

// Tabled statuses end through err; any other status but success ends the
// run silently after the failure line, leaving the resource manager open.
TEST(StatusByte, FailedReads) {
  struct Case {
    ViStatus status;
    std::string text;  // empty: not tabled
  };
  const std::vector<Case> cases = {
      {VI_ERROR_INV_OBJECT, "Invalid SESSION reference.\n"},
      {VI_ERROR_NSUP_OPER, "This type of session cannot do a viRead.\n"},
      {VI_ERROR_RSRC_LOCKED, "The session is LOCKED.\n"},
      {VI_ERROR_SRQ_NOCCURRED, "Service req not received for the session.\n"},
      {VI_ERROR_TMO, "The session TIMED OUT.\n"},
      {VI_ERROR_RAW_WR_PROT_VIOL, "Violaton of RAW Write protocol occurred.\n"},
      {VI_ERROR_RAW_RD_PROT_VIOL, "Violaton of RAW Read protocol occurred.\n"},
      {VI_ERROR_OUTP_PROT_VIOL, "Dev reports Violaton of OUTPUT protocol occurred.\n"},
      {VI_ERROR_BERR, "Bus error occurred.\n"},
      {VI_ERROR_NCIC, "I am not the bus controller.\n"},
      {VI_ERROR_NLISTENERS, "No listeners....\n"},
      {VI_ERROR_IO, ""},
      {VI_SUCCESS_TERM_CHAR, ""},
  };
  for (const Case& c : cases) {
    vd::reset();
    vd::pushStatuses("viReadSTB", {c.status});
    ChildResult r = runChild([] {
      defaultRM = 1;
      dspstb(2);
    });
    SCOPED_TRACE("viReadSTB returns " + hex(c.status));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, kStbFailure + (c.text.empty() ? "" : "\n" + c.text + "\n"));
    EXPECT_EQ(r.calls, c.text.empty() ? "viReadSTB(2)\n" : "viReadSTB(2)\nviClose(1)\n");
  }
}

// Both settings are always made; the character's table is asked first, then
// the enable table; a failure neither names ends the run silently.
TEST(TermChar, SetStatuses) {
  struct Case {
    ViStatus character, enable;
    int exit;
    std::string text;
  };
  const std::vector<Case> cases = {
      {VI_SUCCESS, VI_SUCCESS, 0, ""},
      {VI_ERROR_INV_OBJECT, VI_SUCCESS, 1, "Invalid SESSION reference.\n"},
      {VI_ERROR_NSUP_ATTR, VI_SUCCESS, 1, "This attribute is not supported.\n"},
      {VI_ERROR_NSUP_ATTR_STATE, VI_SUCCESS, 1, "This attribute cannot be set to this value!\n"},
      {VI_ERROR_RSRC_LOCKED, VI_SUCCESS, 1, "The session is LOCKED.\n"},
      {VI_ERROR_ATTR_READONLY, VI_SUCCESS, 1, "The attribute is read only.\n"},
      {VI_SUCCESS, VI_ERROR_INV_OBJECT, 1, "Invalid enable SESSION reference.\n"},
      {VI_SUCCESS, VI_ERROR_NSUP_ATTR, 1, "This enable attribute is not supported.\n"},
      {VI_SUCCESS, VI_ERROR_NSUP_ATTR_STATE, 1,
       "This enable attribute cannot be set to this value!\n"},
      {VI_SUCCESS, VI_ERROR_RSRC_LOCKED, 1, "The enable session is LOCKED.\n"},
      {VI_SUCCESS, VI_ERROR_ATTR_READONLY, 1, "The enable attribute is read only.\n"},
      {VI_ERROR_IO, VI_ERROR_RSRC_LOCKED, 1, "The enable session is LOCKED.\n"},
      {VI_ERROR_INV_OBJECT, VI_ERROR_INV_OBJECT, 1, "Invalid SESSION reference.\n"},
      {VI_ERROR_IO, VI_ERROR_IO, 1, ""},
      {VI_WARN_NSUP_ATTR_STATE, VI_SUCCESS, 1, ""},
  };
  for (const Case& c : cases) {
    vd::reset();
    vd::pushStatuses("viSetAttribute", {c.character, c.enable});
    ChildResult r = runChild([] {
      defaultRM = 1;
      setTermChar(2, 0xFF);
    });
    std::string err, calls = "viSetAttribute(2,0x3FFF0018,255)\nviSetAttribute(2,0x3FFF0038,1)\n";
    if (c.exit) err = "Failure establishing termination character...  \n";
    if (!c.text.empty()) {
      err += "\n" + c.text + "\n";
      calls += "viClose(1)\n";
    }
    SCOPED_TRACE("settings return " + hex(c.character) + ", " + hex(c.enable));
    EXPECT_EQ(r.status, c.exit);
    EXPECT_EQ(r.err, err);
    EXPECT_EQ(r.calls, calls);
  }
}

TEST(TermChar, UnsetIgnoresItsStatus) {
  vd::reset();
  vd::pushStatuses("viSetAttribute", {VI_ERROR_INV_OBJECT});
  ChildResult r = runChild([] { unsetTermChar(2); });
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.calls, "viSetAttribute(2,0x3FFF0038,0)\n");
}

}  // namespace
