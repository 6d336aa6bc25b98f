// Reading replies (rbstr, rwav), reading into files (rd2file) and device
// clear (bclear), driven by the scripted VISA double. Cases that really wait
// out the 3 s retry pause are all in ReadRetry.Slow; no other case pauses.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "child.h"
#include "instr.h"
#include "variant.h"
#include "visa_double.h"

namespace {

std::string lines(const std::vector<std::string>& items) {
  std::string s;
  for (const auto& l : items) s += l + "\n";
  return s;
}

std::string hex(ViStatus s) {
  char buf[16];
  snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(s));
  return buf;
}

const char kVelkarFailureLine[] =
    "\nFailure reading in viRead statement...                      \n";
const char kGiveUp[] = "\nGiving up on viRead.                 \n\n";

// The console status line as a fresh process shows it (call show() once per
// statement: the spinner moves on with every message): each message after a
// carriage return, the next spinner character and a blank, padded with blanks
// to one more than the longest message so far, at most 77 characters.
struct StatusLine {
  size_t width = 0;
  int phase = 0;
  std::string show(const std::string& text) {
    if (text.size() >= width) width = text.size() + 1;
    std::string s = "\r";
    s += "|/-\\"[phase];
    phase = (phase + 1) % 4;
    s += ' ';
    size_t n = width < 77 ? width : 77;
    for (size_t i = 0; i < n; i++) s += i < text.size() ? text[i] : ' ';
    return s;
  }
};

vd::Reply reply(ViStatus status, const std::string& data) {
  vd::Reply r;
  r.status = status;
  r.data = data;
  return r;
}

/* ---- rbstr, rwav: successful reads --------------------------------------- */

// The child reads into a heap buffer of exactly size + 1 bytes filled with
// '#', then prints the count and the whole buffer: the reply, the NUL at the
// count, and the untouched rest.
TEST(ReadReply, SuccessfulReads) {
  struct Case {
    const char* what;
    bool wav;
    int echo;
    vd::Reply r;
    ViUInt32 size;
    ViUInt32 count;
    std::string err;
  };
  const std::string hundred =
      "+1.00000000000000E+03,+2.00000000000000E+00,+0.00000000000000E+00,SIN,BURST,TRIG,BUS,ON,OFF";
  const std::string reply100 = hundred + std::string(100 - hundred.size(), '0');
  vd::Reply tooMany = reply(VI_SUCCESS, "12345678");
  tooMany.hasValue = true;
  tooMany.value = 500;
  const std::vector<Case> cases = {
      {"plain reply", false, 0, reply(VI_SUCCESS, "+1.000000000000000E+03"), 100, 22, ""},
      {"term char kept", false, 0, reply(VI_SUCCESS_TERM_CHAR, "SIN\n"), 100, 4, ""},
      {"filled, size 10: no warning", false, 0, reply(VI_SUCCESS_MAX_CNT, "0123456789ABC"), 10, 10,
       ""},
      {"filled, size 15: no warning", false, 0, reply(VI_SUCCESS_MAX_CNT, reply100), 15, 15, ""},
      {"filled, size 16: warning", false, 0, reply(VI_SUCCESS_MAX_CNT, reply100), 16, 16,
       "Warning: viRead filled 16 byte buffer!\n"},
      {"filled, size 50: warning", false, 0, reply(VI_SUCCESS_MAX_CNT, reply100), 50, 50,
       "Warning: viRead filled 50 byte buffer!\n"},
      {"echo of a short reply", false, 1, reply(VI_SUCCESS_TERM_CHAR, "SIN\n"), 100, 4,
       "\nRead:SIN\n"},
      {"echo shows 63 characters", false, -1, reply(VI_SUCCESS, reply100), 200, 100,
       "\nRead:" + reply100.substr(0, 63)},
      {"echo of a filled buffer", false, 1, reply(VI_SUCCESS_MAX_CNT, reply100), 100, 100,
       "Warning: viRead filled 100 byte buffer!\n\nRead:" + reply100.substr(0, 63) + "..."},
      {"count beyond size clamped", false, 1, tooMany, 8, 8, "\nRead:12345678"},
      {"size 0", false, 0, reply(VI_SUCCESS_MAX_CNT, "SIN\n"), 0, 0, ""},
      {"rwav reply", true, 0, reply(VI_SUCCESS, std::string("\x00\xFF\x7F\x80", 4)), 100, 4, ""},
      {"rwav never echoes", true, 1, reply(VI_SUCCESS_MAX_CNT, reply100), 20, 20,
       "Warning: viRead filled 20 byte buffer!\n"},
      {"rwav count beyond size clamped", true, 0, tooMany, 8, 8, ""},
  };
  for (const Case& c : cases) {
    vd::reset();
    vd::push("viRead", c.r);
    ChildResult res = runChild([&c] {
      BusEcho = c.echo;
      unsigned char* buf = new unsigned char[c.size + 1];
      memset(buf, '#', c.size + 1);
      ViUInt32 n = c.wav ? rwav(2, buf, c.size) : rbstr(2, reinterpret_cast<char*>(buf), c.size);
      printf("%u:", static_cast<unsigned>(n));
      fwrite(buf, 1, c.size + 1, stdout);
      delete[] buf;
    });
    std::string expectBuf = c.r.data.substr(0, c.count) + std::string(1, '\0') +
                            std::string(c.size - c.count, '#');
    SCOPED_TRACE(c.what);
    EXPECT_EQ(res.status, 0);
    EXPECT_EQ(res.out, std::to_string(c.count) + ":" + expectBuf);
    EXPECT_EQ(res.err, c.err);
    EXPECT_EQ(res.calls, "viRead(2," + std::to_string(c.size) + ")\n");
  }
}

/* ---- Retries that really pause ------------------------------------------- */

// Every case here waits out at least one 3000 ms pause; the children run side
// by side. Each child prints its own elapsed time after a "|" on stdout.
TEST(ReadRetry, Slow) {
  struct Case {
    std::string what;
    std::vector<vd::Reply> reads;  // viRead or viReadToFile replies
    std::function<void()> call;
    int status;
    std::string out, err, calls;
    int pauses;
  };
  auto readBody = [](bool wav) {
    return [wav] {
      defaultRM = 1;
      char buf[101];
      ViUInt32 n = wav ? rwav(2, reinterpret_cast<unsigned char*>(buf), 100) : rbstr(2, buf, 100);
      printf("%u:%s", static_cast<unsigned>(n), buf);
    };
  };
  const std::string firstLine = kReadFailureLine;
  std::vector<Case> cases;

  // One failed attempt, then a good reply: the read failure table.
  struct Row {
    ViStatus status;
    std::string text;  // empty: the first line alone
  };
  const std::vector<Row> table = {
      {VI_ERROR_INV_OBJECT, "Invalid SESSION reference.\n"},
      {VI_ERROR_NSUP_OPER, "This type of session cannot do a viRead.\n"},
      {VI_ERROR_RSRC_LOCKED, "The session is LOCKED.\n"},
      {VI_ERROR_TMO, "The session TIMED OUT.\n"},
      {VI_ERROR_RAW_WR_PROT_VIOL, "Violaton of RAW Write protocol occurred.\n"},
      {VI_ERROR_RAW_RD_PROT_VIOL, "Violaton of RAW Read protocol occurred.\n"},
      {VI_ERROR_OUTP_PROT_VIOL, "Dev reports Violaton of OUTPUT protocol occurred.\n"},
      {VI_ERROR_BERR, "Bus error occurred.\n"},
      {VI_ERROR_INV_SETUP, "Setup invalid (inconsistent attributes?).\n"},
      {VI_ERROR_NCIC, "I am not the bus controller.\n"},
      {VI_ERROR_NLISTENERS, "No listeners....\n"},
      {VI_ERROR_IO, "Unknown IO ERROR occurred.\n"},
      {VI_ERROR_INP_PROT_VIOL, ""},
      {VI_WARN_NSUP_ATTR_STATE, ""},
  };
  for (const Row& row : table) {
    StatusLine line;
    std::string err = line.show(firstLine);
    if (!row.text.empty()) err += line.show(row.text);
    cases.push_back({"rbstr fails once with " + hex(row.status),
                     {reply(row.status, "partial"), reply(VI_SUCCESS_TERM_CHAR, "BUS\n")},
                     readBody(false), 0, "4:BUS\n|", err, lines({"viRead(2,100)", "viRead(2,100)"}),
                     1});
  }
  {
    StatusLine line;
    std::string err;
    for (int i = 0; i < 2; i++) {
      err += line.show(firstLine);
      err += line.show("The session TIMED OUT.\n");
    }
    err += kGiveUp;
    cases.push_back({"rbstr times out twice", {reply(VI_ERROR_TMO, ""), reply(VI_ERROR_TMO, "")},
                     readBody(false), 1, "|", err,
                     lines({"viRead(2,100)", "viRead(2,100)", "viClose(1)"}), 2});
  }
  {
    StatusLine line;
    std::string err = line.show(kVelkarFailureLine);
    err += line.show("Bus error occurred.\n");
    cases.push_back({"rwav fails once", {reply(VI_ERROR_BERR, ""), reply(VI_SUCCESS, "WAVE")},
                     readBody(true), 0, "4:WAVE|", err, lines({"viRead(2,100)", "viRead(2,100)"}),
                     1});
  }
  {
    StatusLine line;
    std::string err = line.show(kVelkarFailureLine);
    err += line.show(kVelkarFailureLine);
    err += kGiveUp;
    cases.push_back({"rwav fails twice unlisted",
                     {reply(VI_ERROR_INP_PROT_VIOL, ""), reply(VI_ERROR_CONN_LOST, "")},
                     readBody(true), 1, "|", err,
                     lines({"viRead(2,100)", "viRead(2,100)", "viClose(1)"}), 2});
  }

  // rd2file: an outcome neither good nor fatal pauses and tries again, at
  // most three times in all.
  auto fileBody = [] {
    defaultRM = 1;
    rd2file(2, "run1.dat", 100);
  };
  const std::string fileCall = "viReadToFile(2,\"run1.dat\",100)";
  cases.push_back({"rd2file reaches the count, then ends well",
                   {reply(VI_SUCCESS_MAX_CNT, ""), reply(VI_SUCCESS, "")}, fileBody, 0, "|",
                   "100 bytes was read.\nWrite to file successful.\n", lines({fileCall, fileCall}),
                   1});
  cases.push_back({"rd2file unlisted error, then ends well",
                   {reply(VI_ERROR_INP_PROT_VIOL, ""), reply(VI_SUCCESS_TERM_CHAR, "")}, fileBody,
                   0, "|", "Write to file successful.\n", lines({fileCall, fileCall}), 1});
  cases.push_back({"rd2file gives up after three",
                   {reply(VI_SUCCESS_MAX_CNT, ""), reply(VI_ERROR_INP_PROT_VIOL, ""),
                    reply(VI_SUCCESS_MAX_CNT, "")},
                   fileBody, 1, "|",
                   "100 bytes was read.\n100 bytes was read.\n\nGive up on read to file.\n\n",
                   lines({fileCall, fileCall, fileCall, "viClose(1)"}), 3});

  std::vector<std::function<void()>> bodies;
  for (const Case& c : cases) {
    bodies.push_back([&c] {
      vd::reset();
      for (const vd::Reply& r : c.reads) {
        vd::push("viRead", r);
        vd::push("viReadToFile", r);
      }
      // The elapsed time goes out whether the call returns or ends the run.
      static std::chrono::steady_clock::time_point started;
      started = std::chrono::steady_clock::now();
      static void (*const report)() = [] {
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - started)
                      .count();
        printf("|%lld", static_cast<long long>(ms));
      };
      atexit(report);
      c.call();
      report();
    });
  }
  std::vector<ChildResult> results = runChildren(bodies);
  for (size_t i = 0; i < cases.size(); i++) {
    const Case& c = cases[i];
    const ChildResult& r = results[i];
    SCOPED_TRACE(c.what);
    size_t bar = r.out.rfind('|');
    ASSERT_NE(bar, std::string::npos) << r.out;
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.out.substr(0, bar + 1), c.out);
    EXPECT_GE(std::stol(r.out.substr(bar + 1)), 2900L * c.pauses);
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.calls, c.calls);
  }
}

/* ---- rd2file, bclear: outcomes without a pause --------------------------- */

TEST(Rd2file, SuccessAndFatalStatuses) {
  struct Case {
    ViStatus status;
    std::string err;
    bool fatal;
  };
  const std::vector<Case> cases = {
      {VI_SUCCESS, "Write to file successful.\n", false},
      {VI_SUCCESS_TERM_CHAR, "Write to file successful.\n", false},
      {VI_ERROR_ASRL_FRAMING, "Framing error occurred during transfer.\n", true},
      {VI_ERROR_ASRL_OVERRUN,
       "An overrun error occurred during transfer. A character was not read from the hardware "
       "before the next character arrived.\n",
       true},
      {VI_ERROR_ASRL_PARITY, "A parity error occurred during transfer.\n", true},
      {VI_ERROR_BERR, "Bus error occurred during transfer.\n", true},
      {VI_ERROR_CONN_LOST, "The I/O connection for the given session has been lost.\n", true},
      {VI_ERROR_FILE_ACCESS,
       "An error occurred while trying to open the specified file. Possible reasons include an "
       "invalid path or lack of access rights.\n",
       true},
      {VI_ERROR_FILE_IO, "An error occurred while accessing the specified file.\n", true},
      {VI_ERROR_INV_OBJECT,
       "The given session or object reference is invalid (both are the same value).\n", true},
      {VI_ERROR_INV_SETUP,
       "Unable to start read function because setup is invalid (due to attributes being set to "
       "an inconsistent state).\n",
       true},
      {VI_ERROR_IO, "An unknown I/O error occurred during transfer.\n", true},
      {VI_ERROR_NCIC,
       "The interface associated with the given vi is not currently the controller in charge.\n",
       true},
      {VI_ERROR_NLISTENERS,
       "No Listeners condition is detected (both NRFD and NDAC are deasserted).\n", true},
      {VI_ERROR_NSUP_OPER, "The given vi does not support this function.\n", true},
      {VI_ERROR_OUTP_PROT_VIOL,
       "Device reported an output protocol error occurred during transfer.\n", true},
      {VI_ERROR_RAW_RD_PROT_VIOL, "Violation of raw read protocol occurred during transfer.\n",
       true},
      {VI_ERROR_RAW_WR_PROT_VIOL, "Violation of raw write protocol occurred during transfer.\n",
       true},
      {VI_ERROR_RSRC_LOCKED,
       "Specified operation could not be performed because the resource identified by vi has "
       "been locked for this kind of access.\n",
       true},
      {VI_ERROR_TMO, "Timeout expired before function completed.\n", true},
  };
  for (const Case& c : cases) {
    vd::reset();
    vd::pushStatuses("viReadToFile", {c.status});
    ChildResult r = runChild([] {
      defaultRM = 1;
      rd2file(2, "run1.dat", 100);
    });
    SCOPED_TRACE("viReadToFile returns " + hex(c.status));
    EXPECT_EQ(r.status, c.fatal ? 1 : 0);
    EXPECT_EQ(r.err, c.fatal ? "\n" + c.err + "\n" : c.err);
    EXPECT_EQ(r.calls, c.fatal ? "viReadToFile(2,\"run1.dat\",100)\nviClose(1)\n"
                               : "viReadToFile(2,\"run1.dat\",100)\n");
  }
}

// Tabled statuses end through err; any other status but success ends the run
// at once, silently, leaving the resource manager open.
TEST(Bclear, Statuses) {
  struct Case {
    ViStatus status;
    int exit;
    std::string text;
  };
  const std::vector<Case> cases = {
      {VI_SUCCESS, 0, ""},
      {VI_ERROR_INV_OBJECT, 1, "Invalid SESSION reference.\n"},
      {VI_ERROR_NSUP_OPER, 1, "This type of session cannot do a viRead.\n"},
      {VI_ERROR_RSRC_LOCKED, 1, "The session is LOCKED.\n"},
      {VI_ERROR_TMO, 1, "The session TIMED OUT.\n"},
      {VI_ERROR_RAW_WR_PROT_VIOL, 1, "Violaton of RAW Write protocol occurred.\n"},
      {VI_ERROR_RAW_RD_PROT_VIOL, 1, "Violaton of RAW Read protocol occurred.\n"},
      {VI_ERROR_OUTP_PROT_VIOL, 1, "Dev reports Violaton of OUTPUT protocol occurred.\n"},
      {VI_ERROR_BERR, 1, "Bus error occurred.\n"},
      {VI_ERROR_NCIC, 1, "I am not the bus controller.\n"},
      {VI_ERROR_NLISTENERS, 1, "No listeners....\n"},
      {VI_ERROR_INV_SETUP, 1, ""},
      {VI_SUCCESS_TERM_CHAR, 1, ""},
  };
  for (const Case& c : cases) {
    vd::reset();
    vd::pushStatuses("viClear", {c.status});
    ChildResult r = runChild([] {
      defaultRM = 1;
      printf("before");
      bclear(2);
    });
    SCOPED_TRACE("viClear returns " + hex(c.status));
    EXPECT_EQ(r.status, c.exit);
    EXPECT_EQ(r.out, "before");
    EXPECT_EQ(r.err, c.text.empty() ? "" : "\n" + c.text + "\n");
    EXPECT_EQ(r.calls, c.text.empty() ? "viClear(2)\n" : "viClear(2)\nviClose(1)\n");
  }
}

}  // namespace
