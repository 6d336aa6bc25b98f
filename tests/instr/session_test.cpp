// Opening sessions, serial set-up, buffer sizes, command output and the fatal
// exits, driven by the scripted VISA double. Every case runs in a child
// process: the fatal paths end it, and defaultRM starts at 0 in each.
#include <gtest/gtest.h>

#include <stdio.h>

#include <string>
#include <vector>

#include "child.h"
#include "instr.h"
#include "variant.h"
#include "visa_double.h"

namespace {

// Joins lines, each followed by "\n", as the child's call log holds them.
std::string lines(const std::vector<std::string>& items) {
  std::string s;
  for (const auto& l : items) s += l + "\n";
  return s;
}

// What a closing pass prints when every stage succeeds, in each build.
const std::string kCleanPassOndra = "Clear operation completed successfully.\n";
const std::string kCleanPassVelkar =
    "Flush Bead buffer successfully.\n"
    "Flush Write buffer successfully.\n"
    "Clear operation completed successfully.\n";
const std::string kCleanPass = kFlushOnClose ? kCleanPassVelkar : kCleanPassOndra;

// The calls of one closing pass on session vi, in each build.
std::string cleanPassCalls(int vi) {
  std::string v = std::to_string(vi);
  if (kFlushOnClose)
    return lines({"viFlush(" + v + ",4)", "viFlush(" + v + ",8)", "viClear(" + v + ")"});
  return lines({"viClear(" + v + ")"});
}

std::string hex(ViStatus s) {
  char buf[16];
  snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(s));
  return buf;
}

std::string report(const std::string& message) {
  return "\n" + message + "\nProgram Run Fail. Terminating...\n";
}

const char kInvalidSession[] =
    "The given session or object reference is invalid (both are the same value).\n";
const char kLocked[] =
    "Specified operation could not be performed because the resource identified by vi "
    "has been locked for this kind of access.\n";
const char kReadOnly[] = "The specified attribute is read-only.\n";
const char kNotDefined[] = "The specified attribute is not defined by the referenced resource.\n";
const char kBadState[] =
    "The specified state of the attribute is not valid, or is not supported as defined by "
    "the resource. (The application probably will not work if this error is returned.)\n";

/* ---- opencomm ------------------------------------------------------------ */

TEST(Opencomm, SucceedsAndReturnsTheDeviceSession) {
  ChildResult r = runChild([] { printf("%u", static_cast<unsigned>(opencomm("ASRL1::INSTR", 3000))); });
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "2");
  EXPECT_EQ(r.err,
            "VISA session established successfully.\n"
            "Device session established successfully.\n"
            "Time out setup successfully.\n");
  EXPECT_EQ(r.calls, lines({"viOpenDefaultRM()", "viOpen(1,\"ASRL1::INSTR\",0,0)",
                            "viSetAttribute(2,0x3FFF001A,3000)"}));
}

// Each listed failure ends the run through the closing procedure on defaultRM,
// never on the device session.
TEST(Opencomm, ListedFailuresCloseThroughTheResourceManager) {
  struct Case {
    const char* fn;
    ViStatus status;
    std::string text;
  };
  const std::vector<Case> cases = {
      {"viOpenDefaultRM", VI_ERROR_ALLOC,
       "Insufficient system resources to create a session to the Default Resource Manager "
       "resource.\n"},
      {"viOpenDefaultRM", VI_ERROR_INV_SETUP,
       "Some implementation-specific configuration file is corrupt or does not exist.\n"},
      {"viOpenDefaultRM", VI_ERROR_SYSTEM_ERROR, "The VISA system failed to initialize.\n"},
      {"viOpen", VI_ERROR_ALLOC, "Insufficient system resources to open a session.\n"},
      {"viOpen", VI_ERROR_INTF_NUM_NCONFIG,
       "The interface type is valid but the specified interface number is not configured.\n"},
      {"viOpen", VI_ERROR_INV_ACC_MODE, "Invalid access mode.\n"},
      {"viOpen", VI_ERROR_INV_RSRC_NAME, "Invalid resource reference specified. Parsing error.\n"},
      {"viOpen", VI_ERROR_INV_OBJECT, kInvalidSession},
      {"viOpen", VI_ERROR_LIBRARY_NFOUND,
       "A code library required by VISA could not be located or loaded.\n"},
      {"viOpen", VI_ERROR_NSUP_OPER,
       "The given sesn does not support this function. For VISA, this function is supported "
       "only by the Default Resource Manager session.\n"},
      {"viOpen", VI_ERROR_RSRC_BUSY, "The resource is valid but VISA cannot currently access it.\n"},
      {"viOpen", VI_ERROR_RSRC_LOCKED,
       "Specified type of lock cannot be obtained because the resource is already locked with a "
       "lock type incompatible with the lock requested.\n"},
      {"viOpen", VI_ERROR_RSRC_NFOUND,
       "Insufficient location information or resource not present in the system.\n"},
      {"viOpen", VI_ERROR_TMO,
       "A session to the resource could not be obtained within the specified timeout period.\n"},
      {"viSetAttribute", VI_ERROR_ATTR_READONLY, kReadOnly},
      {"viSetAttribute", VI_ERROR_INV_OBJECT, kInvalidSession},
      {"viSetAttribute", VI_ERROR_NSUP_ATTR, kNotDefined},
      {"viSetAttribute", VI_ERROR_NSUP_ATTR_STATE, kBadState},
      {"viSetAttribute", VI_ERROR_RSRC_LOCKED, kLocked},
  };
  for (const Case& c : cases) {
    vd::reset();
    vd::pushStatuses(c.fn, {c.status});
    ChildResult r = runChild([] { opencomm("GPIB0::10::INSTR", 3000); });
    std::string fn = c.fn;
    std::string err, calls;
    // An error leaves defaultRM at 0 when viOpenDefaultRM fails.
    int rm = fn == "viOpenDefaultRM" ? 0 : 1;
    calls = lines({"viOpenDefaultRM()"});
    if (fn != "viOpenDefaultRM") {
      err += "VISA session established successfully.\n";
      calls += lines({"viOpen(1,\"GPIB0::10::INSTR\",0,0)"});
    }
    if (fn == "viSetAttribute") {
      err += "Device session established successfully.\nFail to establish time-out. value: 3000 ms.\n";
      calls += lines({"viSetAttribute(2,0x3FFF001A,3000)"});
    }
    err += kCleanPass + report(c.text);
    std::string rmText = std::to_string(rm);
    calls += cleanPassCalls(rm) + lines({"viClose(" + rmText + ")", "viClose(" + rmText + ")"});
    SCOPED_TRACE(std::string(c.fn) + " returns " + hex(c.status));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, err);
    EXPECT_EQ(r.calls, calls);
    EXPECT_EQ(r.out, "");
  }
}

// A status that no list names lets opencomm go on with whatever the failed
// call left; the time-out step always prints its failure line.
TEST(Opencomm, UnlistedStatusesGoOn) {
  struct Case {
    const char* what;
    ViStatus rm, open, timeout;
    std::string err, calls, returned;
  };
  const std::vector<Case> cases = {
      {"time-out warning", VI_SUCCESS, VI_SUCCESS, VI_WARN_NSUP_ATTR_STATE,
       "VISA session established successfully.\nDevice session established successfully.\n"
       "Fail to establish time-out. value: 3000 ms.\n",
       lines({"viOpenDefaultRM()", "viOpen(1,\"ASRL1::INSTR\",0,0)",
              "viSetAttribute(2,0x3FFF001A,3000)"}),
       "2"},
      {"every step fails unlisted", VI_ERROR_NSUP_OPER, VI_ERROR_IO, VI_ERROR_IO,
       "Fail to establish time-out. value: 3000 ms.\n",
       lines({"viOpenDefaultRM()", "viOpen(0,\"ASRL1::INSTR\",0,0)",
              "viSetAttribute(0,0x3FFF001A,3000)"}),
       "0"},
  };
  for (const Case& c : cases) {
    vd::reset();
    vd::pushStatuses("viOpenDefaultRM", {c.rm});
    vd::pushStatuses("viOpen", {c.open});
    vd::pushStatuses("viSetAttribute", {c.timeout});
    ChildResult r = runChild([] { printf("%u", static_cast<unsigned>(opencomm("ASRL1::INSTR", 3000))); });
    SCOPED_TRACE(c.what);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, c.returned);
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.calls, c.calls);
  }
}

/* ---- setrs232 ------------------------------------------------------------ */

const char* const kSerialAttrs[] = {"0x3FFF0021,9600", "0x3FFF0022,8", "0x3FFF0025,2",
                                    "0x3FFF0023,0", "0x3FFF0024,10"};
const char* const kSerialDone[] = {"Baud Rate setup successfully.\n", "Data Bits setup successfully.\n",
                                   "Flow Control setup successfully.\n", "Parity setup successfully.\n",
                                   "Stop Bits setup successfully.\n"};
std::string notSupported(const char* what) {
  return std::string("Although the ") + what +
         " state is valid, it is not supported by this resource implementation. (The application "
         "will still work, but this may have a performance impact.)\n";
}

void setSerialLine() {
  defaultRM = 1;
  setrs232(2, 9600, 8, VI_ASRL_FLOW_RTS_CTS, VI_ASRL_PAR_NONE, VI_ASRL_STOP_ONE);
}

// One attribute fails, the others succeed. At the baud rate the
// not-supported warning and the read-only error end the run; everywhere else
// every listed text is printed and the set-up goes on.
TEST(Setrs232, StatusListAtEachAttribute) {
  struct Case {
    int step;
    ViStatus status;
    std::string text;  // empty: an unlisted status prints nothing
    bool fatal;
  };
  const std::vector<Case> cases = {
      {0, VI_WARN_NSUP_ATTR_STATE, notSupported("BAUDRATE"), true},
      {0, VI_ERROR_ATTR_READONLY, kReadOnly, true},
      {0, VI_ERROR_INV_OBJECT, kInvalidSession, false},
      {0, VI_ERROR_NSUP_ATTR, kNotDefined, false},
      {0, VI_ERROR_NSUP_ATTR_STATE, kBadState, false},
      {0, VI_ERROR_RSRC_LOCKED, kLocked, false},
      {0, VI_ERROR_IO, "", false},
      {1, VI_WARN_NSUP_ATTR_STATE, notSupported("DATABITS"), false},
      {2, VI_WARN_NSUP_ATTR_STATE, notSupported("FLOW CONTROL"), false},
      {3, VI_WARN_NSUP_ATTR_STATE, notSupported("PARITY"), false},
      {4, VI_WARN_NSUP_ATTR_STATE, notSupported("STOP BITS"), false},
      {1, VI_ERROR_ATTR_READONLY, kReadOnly, false},
      {2, VI_ERROR_INV_OBJECT, kInvalidSession, false},
      {3, VI_ERROR_NSUP_ATTR, kNotDefined, false},
      {4, VI_ERROR_NSUP_ATTR_STATE, kBadState, false},
      {4, VI_ERROR_RSRC_LOCKED, kLocked, false},
      {2, VI_SUCCESS_MAX_CNT, "", false},
  };
  for (const Case& c : cases) {
    vd::reset();
    for (int i = 0; i < 5; i++) vd::pushStatuses("viSetAttribute", {i == c.step ? c.status : VI_SUCCESS});
    ChildResult r = runChild(setSerialLine);
    std::string err, calls;
    for (int i = 0; i < 5; i++) {
      calls += lines({std::string("viSetAttribute(2,") + kSerialAttrs[i] + ")"});
      if (i != c.step) {
        err += kSerialDone[i];
        continue;
      }
      if (c.fatal) {
        err += kCleanPass + report(c.text);
        calls += cleanPassCalls(2) + lines({"viClose(2)", "viClose(1)"});
        break;
      }
      err += c.text;
    }
    SCOPED_TRACE("attribute " + std::to_string(c.step) + " returns " + hex(c.status));
    EXPECT_EQ(r.status, c.fatal ? 1 : 0);
    EXPECT_EQ(r.err, err);
    EXPECT_EQ(r.calls, calls);
  }
}

TEST(Setrs232, EveryAttributeFailingStillReturns) {
  vd::reset();
  vd::pushStatuses("viSetAttribute", {VI_ERROR_NSUP_ATTR, VI_ERROR_NSUP_ATTR, VI_ERROR_NSUP_ATTR,
                                      VI_ERROR_NSUP_ATTR, VI_ERROR_NSUP_ATTR});
  ChildResult r = runChild(setSerialLine);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, std::string(kNotDefined) + kNotDefined + kNotDefined + kNotDefined + kNotDefined);
  EXPECT_EQ(r.calls, lines({"viSetAttribute(2,0x3FFF0021,9600)", "viSetAttribute(2,0x3FFF0022,8)",
                            "viSetAttribute(2,0x3FFF0025,2)", "viSetAttribute(2,0x3FFF0023,0)",
                            "viSetAttribute(2,0x3FFF0024,10)"}));
}

/* ---- setcommbuf ---------------------------------------------------------- */

TEST(Setcommbuf, PrintsEveryOutcomeAndNeverEnds) {
  struct Case {
    ViStatus receive, send;
    std::string err;
  };
  const std::string nsup = "The specified buffer is not supported.\n";
  const std::string alloc =
      "The system could not allocate the buffer(s) of the specified size because of "
      "insufficient system resources.\n";
  const std::string mask = "The system cannot set the buffer for the given mask.\n";
  const std::vector<Case> cases = {
      {VI_SUCCESS, VI_SUCCESS,
       "Receive Buffer size set successfully.\nSend Buffer size set successfully.\n"},
      {VI_WARN_NSUP_BUF, VI_WARN_NSUP_BUF, nsup + nsup},
      {VI_ERROR_ALLOC, VI_SUCCESS, alloc + "Send Buffer size set successfully.\n"},
      {VI_SUCCESS, VI_ERROR_INV_MASK, "Receive Buffer size set successfully.\n" + mask},
      {VI_ERROR_INV_OBJECT, VI_ERROR_RSRC_LOCKED, std::string(kInvalidSession) + kLocked},
      {VI_ERROR_IO, VI_SUCCESS_MAX_CNT, ""},
  };
  for (const Case& c : cases) {
    vd::reset();
    vd::pushStatuses("viSetBuf", {c.receive, c.send});
    ChildResult r = runChild([] { setcommbuf(2, 4096); });
    SCOPED_TRACE("viSetBuf returns " + hex(c.receive) + ", " + hex(c.send));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.calls, lines({"viSetBuf(2,16,4096)", "viSetBuf(2,32,4096)"}));
  }
}

/* ---- wbstr --------------------------------------------------------------- */

TEST(Wbstr, SendsTheTextAsItIsAndReturnsTheCountWritten) {
  vd::reset();
  vd::Reply partial;
  partial.hasValue = true;
  partial.value = 4;
  vd::push("viWrite", partial);
  ChildResult r = runChild([] {
    printf("%u,", static_cast<unsigned>(wbstr(2, "FREQ 1.000E+03\r\n")));
    printf("%u", static_cast<unsigned>(wbstr(2, "")));
  });
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "4,0");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.calls, lines({"viWrite(2,\"FREQ 1.000E+03\\r\\n\",16)", "viWrite(2,\"\",0)"}));
}

// A failed write echoes at most 60 characters of the command and ends
// through err; statuses list W does not name, success codes included, abort.
TEST(Wbstr, FailedWriteEchoesAndEnds) {
  struct Case {
    ViStatus status;
    std::string cmd, text;
  };
  const std::string sixty = "APPLY:SQUARE 1.0E+03, 2.5, 0.0; :BURST:NCYCLES 10; :TRIG:SOU";
  const std::vector<Case> cases = {
      {VI_ERROR_NSUP_OPER, "*RST\n", "This type of session cannot do a viWrite.\n"},
      {VI_ERROR_RSRC_LOCKED, "*RST\n", "The session is LOCKED.\n"},
      {VI_ERROR_TMO, sixty + "RCE BUS\n", "The session TIMED OUT.\n"},
      {VI_ERROR_RAW_WR_PROT_VIOL, "*RST\n", "Violaton of RAW Write protocol occurred.\n"},
      {VI_ERROR_RAW_RD_PROT_VIOL, "*RST\n", "Violaton of RAW Read protocol occurred.\n"},
      {VI_ERROR_INP_PROT_VIOL, "*RST\n", "Dev reports Violaton of INPUT protocol occurred.\n"},
      {VI_ERROR_BERR, "*RST\n", "Bus error occurred.\n"},
      {VI_ERROR_INV_SETUP, "*RST\n", "Setup invalid (inconsistent attributes?).\n"},
      {VI_ERROR_NCIC, "*RST\n", "I am not the bus controller.\n"},
      {VI_ERROR_NLISTENERS, "*RST\n", "No listeners....\n"},
      {VI_ERROR_IO, sixty, "Unknown IO ERROR occurred.\n"},
      {VI_ERROR_INV_OBJECT, "*RST\n", "Aborting...\n"},
      {VI_SUCCESS_MAX_CNT, "*RST\n", "Aborting...\n"},
      {VI_ERROR_CONN_LOST, std::string(100000, 'X'), "Aborting...\n"},
  };
  for (const Case& c : cases) {
    vd::reset();
    vd::pushStatuses("viWrite", {c.status});
    ChildResult r = runChild([&c] {
      defaultRM = 1;
      wbstr(2, c.cmd.c_str());
    });
    SCOPED_TRACE("viWrite of " + c.cmd.substr(0, 70) + " returns " + hex(c.status));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Failure writing: " + c.cmd.substr(0, 60) + "\n\n" + c.text + "\n");
    ASSERT_EQ(r.calls.substr(0, 10), "viWrite(2,");
    EXPECT_EQ(r.calls.substr(r.calls.find(")\n") + 2), "viClose(1)\n");
  }
}

/* ---- visaclose, err, bclose ---------------------------------------------- */

TEST(Visaclose, CleanPassReportsTheCallersMessage) {
  ChildResult r = runChild([] {
    defaultRM = 1;
    printf("read back before the failure");
    visaclose(2, "Frequency out of range.\n");
  });
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "read back before the failure");
  if (kFlushOnClose) {
    EXPECT_EQ(r.err,
              "Flush Bead buffer successfully.\n"
              "Flush Write buffer successfully.\n"
              "Clear operation completed successfully.\n"
              "\nFrequency out of range.\n\nProgram Run Fail. Terminating...\n");
    EXPECT_EQ(r.calls, "viFlush(2,4)\nviFlush(2,8)\nviClear(2)\nviClose(2)\nviClose(1)\n");
  } else {
    EXPECT_EQ(r.err,
              "Clear operation completed successfully.\n"
              "\nFrequency out of range.\n\nProgram Run Fail. Terminating...\n");
    EXPECT_EQ(r.calls, "viClear(2)\nviClose(2)\nviClose(1)\n");
  }
}

// A listed status at a flush stage ends the pass and starts the procedure
// again with the list's text as the message. The clearing build runs no
// flush at all, so there the caller's message stands.
TEST(Visaclose, FlushFailureRestartsWithItsText) {
  struct Case {
    int stage;  // 0: read buffer, 1: write buffer
    ViStatus status;
    std::string text;  // empty: not listed
  };
  const std::vector<Case> cases = {
      {0, VI_ERROR_INV_MASK,
       "The specified mask does not specify a valid flush function on read/write resource."},
      {1, VI_ERROR_INV_OBJECT,
       "The given session or object reference is invalid (both are the same value)."},
      {0, VI_ERROR_IO, "Could not perform read/write function because of I/O error."},
      {1, VI_ERROR_RSRC_LOCKED,
       "Specified operation could not be performed because the resource identified by vi has "
       "been locked for this kind of access."},
      {0, VI_ERROR_TMO,
       "The read/write function was aborted because timeout expired while function was in "
       "progress."},
      {1, VI_ERROR_NSUP_OPER, ""},
      {0, VI_WARN_NSUP_BUF, ""},
  };
  const std::string failLine[] = {"Fail to flush Read buffer.\n", "Fail to flush Write buffer.\n"};
  for (const Case& c : cases) {
    vd::reset();
    if (c.stage == 1) vd::pushStatuses("viFlush", {VI_SUCCESS});
    vd::pushStatuses("viFlush", {c.status});
    ChildResult r = runChild([] {
      defaultRM = 1;
      visaclose(2, "Caller's message.\n");
    });
    std::string err, calls;
    if (!kFlushOnClose) {
      err = kCleanPassOndra + report("Caller's message.\n");
      calls = "viClear(2)\nviClose(2)\nviClose(1)\n";
    } else if (c.text.empty()) {
      // Not listed: the pass goes on to its next stage.
      err = (c.stage == 0 ? failLine[0] + "Flush Write buffer successfully.\n"
                          : "Flush Bead buffer successfully.\n" + failLine[1]) +
            "Clear operation completed successfully.\n" + report("Caller's message.\n");
      calls = "viFlush(2,4)\nviFlush(2,8)\nviClear(2)\nviClose(2)\nviClose(1)\n";
    } else if (c.stage == 0) {
      err = failLine[0] + kCleanPassVelkar + report(c.text);
      calls = "viFlush(2,4)\nviFlush(2,4)\nviFlush(2,8)\nviClear(2)\nviClose(2)\nviClose(1)\n";
    } else {
      err = "Flush Bead buffer successfully.\n" + failLine[1] + kCleanPassVelkar + report(c.text);
      calls =
          "viFlush(2,4)\nviFlush(2,8)\nviFlush(2,4)\nviFlush(2,8)\nviClear(2)\nviClose(2)\n"
          "viClose(1)\n";
    }
    SCOPED_TRACE("flush stage " + std::to_string(c.stage) + " returns " + hex(c.status));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, err);
    EXPECT_EQ(r.calls, calls);
  }
}

TEST(Visaclose, ClearFailureRestartsWithItsText) {
  struct Case {
    ViStatus status;
    std::string text;  // empty: not listed
  };
  const std::vector<Case> cases = {
      {VI_ERROR_BERR, "Bus error occurred during transfer."},
      {VI_ERROR_CONN_LOST, "The I/O connection for the given session has been lost."},
      {VI_ERROR_INV_OBJECT,
       "The given session or object reference is invalid (both are the same value)."},
      {VI_ERROR_INV_SETUP,
       "Unable to start operation because setup is invalid (due to attributes being set to an "
       "inconsistent state)."},
      {VI_ERROR_NCIC,
       "The interface associated with the given vi is not currently the controller in charge."},
      {VI_ERROR_NLISTENERS, "No Listeners condition is detected (both NRFD and NDAC are deasserted)."},
      {VI_ERROR_NSUP_OPER, "The given vi does not support this function."},
      {VI_ERROR_RAW_RD_PROT_VIOL, "Violation of raw read protocol occurred during transfer."},
      {VI_ERROR_RSRC_LOCKED,
       "Specified operation could not be performed because the resource identified by vi has "
       "been locked for this kind of access."},
      {VI_ERROR_TMO, "Timeout expired before function completed."},
      {VI_ERROR_IO, ""},
      {VI_SUCCESS_TERM_CHAR, ""},
  };
  for (const Case& c : cases) {
    vd::reset();
    vd::pushStatuses("viClear", {c.status});
    ChildResult r = runChild([] {
      defaultRM = 1;
      visaclose(2, "Caller's message.\n");
    });
    std::string flushes = kFlushOnClose
                              ? "Flush Bead buffer successfully.\nFlush Write buffer successfully.\n"
                              : "";
    std::string flushCalls = kFlushOnClose ? "viFlush(2,4)\nviFlush(2,8)\n" : "";
    std::string err, calls;
    if (c.text.empty()) {
      err = flushes + report("Caller's message.\n");
      calls = flushCalls + "viClear(2)\nviClose(2)\nviClose(1)\n";
    } else {
      err = flushes + kCleanPass + report(c.text);
      calls = flushCalls + "viClear(2)\n" + cleanPassCalls(2) + "viClose(2)\nviClose(1)\n";
    }
    SCOPED_TRACE("viClear returns " + hex(c.status));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, err);
    EXPECT_EQ(r.calls, calls);
  }
}

// Listed statuses on every pass: four passes (three restarts), then the
// report with the text of the last one met; later queued statuses are never
// reached.
TEST(Visaclose, RestartsStopAtTheLimit) {
  vd::reset();
  vd::pushStatuses("viClear", {VI_ERROR_TMO, VI_ERROR_BERR, VI_ERROR_CONN_LOST, VI_ERROR_NCIC,
                               VI_ERROR_NLISTENERS});
  ChildResult r = runChild([] {
    defaultRM = 1;
    visaclose(2, "Caller's message.\n");
  });
  std::string flushes =
      kFlushOnClose ? "Flush Bead buffer successfully.\nFlush Write buffer successfully.\n" : "";
  std::string flushCalls = kFlushOnClose ? "viFlush(2,4)\nviFlush(2,8)\n" : "";
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, flushes + flushes + flushes + flushes +
                       "\nThe interface associated with the given vi is not currently the "
                       "controller in charge.\nProgram Run Fail. Terminating...\n");
  EXPECT_EQ(r.calls, flushCalls + "viClear(2)\n" + flushCalls + "viClear(2)\n" + flushCalls +
                         "viClear(2)\n" + flushCalls + "viClear(2)\nviClose(2)\nviClose(1)\n");
}

TEST(Err, ReportsClosesOnlyTheResourceManagerAndFlushesOutput) {
  ChildResult r = runChild([] {
    defaultRM = 7;
    printf("BURST MODE read back");
    err("Giving up.\n");
  });
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "BURST MODE read back");
  EXPECT_EQ(r.err, "\nGiving up.\n\n");
  EXPECT_EQ(r.calls, "viClose(7)\n");
}

TEST(Bclose, EndsOnAnyStatusButSuccess) {
  struct Case {
    ViStatus status;
    std::string err;  // empty: returns
  };
  const std::vector<Case> cases = {
      {VI_SUCCESS, ""},
      {VI_ERROR_INV_OBJECT, "Problem closing... \n\nInvalid SESSION.\n\n"},
      {VI_ERROR_CLOSING_FAILED,
       "Problem closing... \n\nviClose function could not deallocate resources.\n\n"},
      {VI_ERROR_IO, "Problem closing... \n\nviClose function returned unrecognisable error.\n\n"},
      {VI_SUCCESS_TERM_CHAR,
       "Problem closing... \n\nviClose function returned unrecognisable error.\n\n"},
  };
  for (const Case& c : cases) {
    vd::reset();
    vd::pushStatuses("viClose", {c.status});
    ChildResult r = runChild([] {
      defaultRM = 1;
      bclose(2);
    });
    SCOPED_TRACE("viClose returns " + hex(c.status));
    EXPECT_EQ(r.status, c.err.empty() ? 0 : 1);
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.calls, c.err.empty() ? "viClose(2)\n" : "viClose(2)\nviClose(1)\n");
  }
}

}  // namespace
