// The serial transport against a real pseudo-terminal: the test plays the
// instrument on the master side; the library opens the slave.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include "visa.h"

namespace {

constexpr ViUInt32 kShortTimeout = 100;  // ms; only reads meant to time out wait it

std::string printable(const std::string &s) {
  std::string out;
  for (unsigned char c : s) {
    if (c >= 0x20 && c < 0x7F) out.push_back(static_cast<char>(c));
    else out += "\\x" + std::string(1, "0123456789abcdef"[c >> 4]) + "0123456789abcdef"[c & 15];
  }
  return out;
}

class Serial : public ::testing::Test {
 protected:
  void SetUp() override {
    master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    path = ptsname(master);
    ASSERT_EQ(viOpenDefaultRM(&rm), VI_SUCCESS);
    ASSERT_EQ(viOpen(rm, ("ASRL" + path + "::INSTR").c_str(), VI_NULL, 0, &vi), VI_SUCCESS);
  }
  void TearDown() override {
    viClose(rm);
    if (master >= 0) close(master);
  }

  // The line's settings as the kernel holds them.
  termios lineSettings() {
    termios t{};
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(tcgetattr(fd, &t), 0);
    close(fd);
    return t;
  }
  void send(const std::string &bytes) {
    ASSERT_EQ(write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  // What the instrument receives: exactly n bytes, or what came within 2 s.
  std::string receive(std::size_t n) {
    std::string got;
    char buf[4096];
    while (got.size() < n) {
      pollfd p{master, POLLIN, 0};
      if (poll(&p, 1, 2000) <= 0) break;
      const ssize_t r = read(master, buf, std::min(sizeof buf, n - got.size()));
      if (r <= 0) break;
      got.append(buf, static_cast<std::size_t>(r));
    }
    return got;
  }
  // Waits until sent bytes sit in the line's input queue.
  void awaitQueued() {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    pollfd p{fd, POLLIN, 0};
    EXPECT_EQ(poll(&p, 1, 2000), 1);
    close(fd);
  }
  ViStatus readInto(std::string *out, ViUInt32 count) {
    std::vector<ViByte> buf(count + 1);
    ViUInt32 n = 12345;
    const ViStatus st = viRead(vi, buf.data(), count, &n);
    out->assign(reinterpret_cast<char *>(buf.data()), n);
    return st;
  }

  int master = -1;
  std::string path;
  ViSession rm = VI_NULL, vi = VI_NULL;
};

TEST_F(Serial, BytesPassUnchangedBothWays) {
  // NUL, 0xFF, ^C, ^Z, XON, XOFF, DEL, ^D and CR LF: no translation, no
  // signal, no flow control, no end of file.
  const std::string bytes("\0\xff\x03\x1a\x11\x13\x7f\x04 A\r\n", 12);
  ViUInt32 n = 0;
  ASSERT_EQ(viWrite(vi, reinterpret_cast<const ViByte *>(bytes.data()), bytes.size(), &n),
            VI_SUCCESS);
  EXPECT_EQ(n, bytes.size());
  EXPECT_EQ(printable(receive(bytes.size())), printable(bytes));

  send(bytes);
  std::string got;
  EXPECT_EQ(readInto(&got, 100), VI_SUCCESS_TERM_CHAR);
  EXPECT_EQ(printable(got), printable(bytes));
}

TEST_F(Serial, ReadEndsAtTermCharCountOrTimeOutAndKeepsTheRest) {
  struct Read {
    ViUInt32 count;
    ViStatus status;
    std::string bytes;
  };
  const struct {
    const char *what;
    ViByte termChar;
    std::string sent;
    std::vector<Read> reads;
  } cases[] = {
      {"two lines in one block", '\n', "+1.0E+03\nSIN\n",
       {{100, VI_SUCCESS_TERM_CHAR, "+1.0E+03\n"}, {100, VI_SUCCESS_TERM_CHAR, "SIN\n"}}},
      {"count before term char", '\n', "abcdef\n",
       {{3, VI_SUCCESS_MAX_CNT, "abc"}, {3, VI_SUCCESS_MAX_CNT, "def"},
        {3, VI_SUCCESS_TERM_CHAR, "\n"}}},
      {"term char is the last counted byte", '\n', "ab\n",
       {{3, VI_SUCCESS_TERM_CHAR, "ab\n"}}},
      {"time-out keeps the partial bytes", '\n', "par",
       {{100, VI_ERROR_TMO, "par"}, {100, VI_ERROR_TMO, ""}}},
      {"rest after a time-out", '\n', "abc\nde",
       {{100, VI_SUCCESS_TERM_CHAR, "abc\n"}, {100, VI_ERROR_TMO, "de"}}},
      {"another term char", ';', "a;b\n;",
       {{100, VI_SUCCESS_TERM_CHAR, "a;"}, {100, VI_SUCCESS_TERM_CHAR, "b\n;"}}},
      {"count zero", '\n', "x\n",
       {{0, VI_SUCCESS_MAX_CNT, ""}, {100, VI_SUCCESS_TERM_CHAR, "x\n"}}},
  };
  ASSERT_EQ(viSetAttribute(vi, VI_ATTR_TMO_VALUE, kShortTimeout), VI_SUCCESS);
  for (const auto &c : cases) {
    ASSERT_EQ(viSetAttribute(vi, VI_ATTR_TERMCHAR, c.termChar), VI_SUCCESS);
    send(c.sent);
    awaitQueued();
    for (std::size_t i = 0; i < c.reads.size(); ++i) {
      std::string got;
      EXPECT_EQ(readInto(&got, c.reads[i].count), c.reads[i].status) << c.what << ", read " << i;
      EXPECT_EQ(printable(got), printable(c.reads[i].bytes)) << c.what << ", read " << i;
    }
  }
}

TEST_F(Serial, FlushAndClearDiscardWhatIsWaiting) {
  const struct {
    const char *what;
    ViStatus (*discard)(ViSession);
  } ways[] = {
      {"viClear", [](ViSession s) { return viClear(s); }},
      {"viFlush in", [](ViSession s) { return viFlush(s, VI_READ_BUF_DISCARD | VI_IO_IN_BUF_DISCARD); }},
  };
  ASSERT_EQ(viSetAttribute(vi, VI_ATTR_TMO_VALUE, kShortTimeout), VI_SUCCESS);
  for (const auto &w : ways) {
    // "kept\n" waits in the session, "queued\n" in the line.
    send("first\nkept\n");
    std::string got;
    ASSERT_EQ(readInto(&got, 100), VI_SUCCESS_TERM_CHAR) << w.what;
    send("queued\n");
    awaitQueued();
    EXPECT_EQ(w.discard(vi), VI_SUCCESS) << w.what;
    EXPECT_EQ(readInto(&got, 100), VI_ERROR_TMO) << w.what;
    EXPECT_EQ(got, "") << w.what;
    send("fresh\n");
    EXPECT_EQ(readInto(&got, 100), VI_SUCCESS_TERM_CHAR) << w.what;
    EXPECT_EQ(got, "fresh\n") << w.what;
  }
  // Only the session's buffer: bytes still in the line come through.
  send("one\ntwo\n");
  std::string got;
  ASSERT_EQ(readInto(&got, 100), VI_SUCCESS_TERM_CHAR);
  EXPECT_EQ(viFlush(vi, VI_READ_BUF_DISCARD), VI_SUCCESS);
  send("three\n");
  EXPECT_EQ(readInto(&got, 100), VI_SUCCESS_TERM_CHAR);
  EXPECT_EQ(got, "three\n");
  EXPECT_EQ(viFlush(vi, VI_WRITE_BUF_DISCARD | VI_IO_OUT_BUF_DISCARD), VI_SUCCESS);
}

// A device clear after a refusal must not take back commands already sent:
// the instrument has them even when it has not read them yet.
TEST_F(Serial, ClearKeepsBytesAlreadyWritten) {
  const std::string cmd = "SIN\r\n1000.000000HZ\r\n";
  ViUInt32 n = 0;
  ASSERT_EQ(viWrite(vi, reinterpret_cast<const ViByte *>(cmd.data()),
                    static_cast<ViUInt32>(cmd.size()), &n), VI_SUCCESS);
  for (int i = 0; i < 20; i++) EXPECT_EQ(viClear(vi), VI_SUCCESS);
  EXPECT_EQ(receive(cmd.size()), cmd);
}

TEST_F(Serial, OpensRawAtTheDefaults) {
  const termios t = lineSettings();
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600));
  EXPECT_EQ(cfgetispeed(&t), static_cast<speed_t>(B9600));
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
  EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
  EXPECT_EQ(t.c_iflag & (ICRNL | INLCR | IGNCR | IXON | IXOFF | ISTRIP), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);

  const struct {
    ViAttr attr;
    ViUInt32 value;
  } defaults[] = {{VI_ATTR_ASRL_BAUD, 9600},
                  {VI_ATTR_ASRL_DATA_BITS, 8},
                  {VI_ATTR_ASRL_PARITY, VI_ASRL_PAR_NONE},
                  {VI_ATTR_ASRL_STOP_BITS, VI_ASRL_STOP_ONE},
                  {VI_ATTR_ASRL_FLOW_CNTRL, VI_ASRL_FLOW_NONE},
                  {VI_ATTR_TMO_VALUE, 2000},
                  {VI_ATTR_INTF_TYPE, VI_INTF_ASRL}};
  for (const auto &d : defaults) {
    ViUInt32 wide = 0;
    ViUInt16 narrow = 0;
    const bool isWide = d.attr == VI_ATTR_ASRL_BAUD || d.attr == VI_ATTR_TMO_VALUE ||
                        d.attr == VI_ATTR_INTF_TYPE;
    ASSERT_EQ(viGetAttribute(vi, d.attr, isWide ? static_cast<void *>(&wide) : &narrow),
              VI_SUCCESS);
    EXPECT_EQ(isWide ? wide : narrow, d.value) << std::hex << "attr 0x" << d.attr;
  }
}

TEST_F(Serial, AttributesReachTheLine) {
  const struct {
    const char *what;
    ViAttr attr;
    ViUInt32 value;
    bool (*check)(const termios &);
  } cases[] = {
      {"baud 19200", VI_ATTR_ASRL_BAUD, 19200,
       [](const termios &t) { return cfgetospeed(&t) == B19200 && cfgetispeed(&t) == B19200; }},
      {"baud 115200", VI_ATTR_ASRL_BAUD, 115200,
       [](const termios &t) { return cfgetospeed(&t) == B115200; }},
      {"baud 9600", VI_ATTR_ASRL_BAUD, 9600,
       [](const termios &t) { return cfgetospeed(&t) == B9600; }},
      {"data bits 8", VI_ATTR_ASRL_DATA_BITS, 8,
       [](const termios &t) { return (t.c_cflag & CSIZE) == CS8; }},
      {"parity none", VI_ATTR_ASRL_PARITY, VI_ASRL_PAR_NONE,
       [](const termios &t) { return (t.c_cflag & PARENB) == 0; }},
      {"two stop bits", VI_ATTR_ASRL_STOP_BITS, VI_ASRL_STOP_TWO,
       [](const termios &t) { return (t.c_cflag & CSTOPB) != 0; }},
      {"one stop bit", VI_ATTR_ASRL_STOP_BITS, VI_ASRL_STOP_ONE,
       [](const termios &t) { return (t.c_cflag & CSTOPB) == 0; }},
      {"RTS/CTS", VI_ATTR_ASRL_FLOW_CNTRL, VI_ASRL_FLOW_RTS_CTS,
       [](const termios &t) { return (t.c_cflag & CRTSCTS) && !(t.c_iflag & (IXON | IXOFF)); }},
      {"XON/XOFF", VI_ATTR_ASRL_FLOW_CNTRL, VI_ASRL_FLOW_XON_XOFF,
       [](const termios &t) {
         return !(t.c_cflag & CRTSCTS) && (t.c_iflag & (IXON | IXOFF)) == (IXON | IXOFF);
       }},
      {"no flow control", VI_ATTR_ASRL_FLOW_CNTRL, VI_ASRL_FLOW_NONE,
       [](const termios &t) { return !(t.c_cflag & CRTSCTS) && !(t.c_iflag & (IXON | IXOFF)); }},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(viSetAttribute(vi, c.attr, c.value), VI_SUCCESS) << c.what;
    EXPECT_TRUE(c.check(lineSettings())) << c.what;
    ViUInt32 wide = 0;
    ViUInt16 narrow = 0;
    const bool isWide = c.attr == VI_ATTR_ASRL_BAUD;
    viGetAttribute(vi, c.attr, isWide ? static_cast<void *>(&wide) : &narrow);
    EXPECT_EQ(isWide ? wide : narrow, c.value) << c.what;
  }
}

TEST_F(Serial, ValuesTheLineCannotTakeAreRefusedAndChangeNothing) {
  // A pseudo-terminal always carries 8 data bits without parity, so 7 data
  // bits and even parity are values this line cannot take.
  const struct {
    ViAttr attr;
    ViAttrState value;
    ViStatus expected;
  } cases[] = {
      {VI_ATTR_ASRL_BAUD, 12345, VI_ERROR_NSUP_ATTR_STATE},
      {VI_ATTR_ASRL_BAUD, 0, VI_ERROR_NSUP_ATTR_STATE},
      {VI_ATTR_ASRL_BAUD, 0x100002580ull, VI_ERROR_NSUP_ATTR_STATE},  // 9600 + 2^32
      {VI_ATTR_ASRL_DATA_BITS, 4, VI_ERROR_NSUP_ATTR_STATE},
      {VI_ATTR_ASRL_DATA_BITS, 9, VI_ERROR_NSUP_ATTR_STATE},
      {VI_ATTR_ASRL_DATA_BITS, 7, VI_ERROR_NSUP_ATTR_STATE},
      {VI_ATTR_ASRL_PARITY, VI_ASRL_PAR_EVEN, VI_ERROR_NSUP_ATTR_STATE},
      {VI_ATTR_ASRL_PARITY, 5, VI_ERROR_NSUP_ATTR_STATE},
      {VI_ATTR_ASRL_STOP_BITS, VI_ASRL_STOP_ONE5, VI_ERROR_NSUP_ATTR_STATE},  // needs 5 data bits
      {VI_ATTR_ASRL_STOP_BITS, 0, VI_ERROR_NSUP_ATTR_STATE},
      {VI_ATTR_ASRL_FLOW_CNTRL, VI_ASRL_FLOW_DTR_DSR, VI_ERROR_NSUP_ATTR_STATE},
      {VI_ATTR_ASRL_FLOW_CNTRL, 3, VI_ERROR_NSUP_ATTR_STATE},
      {0x3FFF0999u, 1, VI_ERROR_NSUP_ATTR},
  };
  ASSERT_EQ(viSetAttribute(vi, VI_ATTR_ASRL_BAUD, 19200), VI_SUCCESS);
  const termios before = lineSettings();
  for (const auto &c : cases) {
    EXPECT_EQ(viSetAttribute(vi, c.attr, c.value), c.expected)
        << std::hex << "attr 0x" << c.attr << " value 0x" << c.value;
    const termios after = lineSettings();
    EXPECT_EQ(after.c_cflag, before.c_cflag) << std::hex << "attr 0x" << c.attr;
    EXPECT_EQ(after.c_iflag, before.c_iflag) << std::hex << "attr 0x" << c.attr;
  }
  ViUInt16 bits = 0;
  ViUInt32 baud = 0;
  viGetAttribute(vi, VI_ATTR_ASRL_DATA_BITS, &bits);
  viGetAttribute(vi, VI_ATTR_ASRL_BAUD, &baud);
  EXPECT_EQ(bits, 8);
  EXPECT_EQ(baud, 19200u);
  ViUInt16 stb = 0;
  EXPECT_EQ(viReadSTB(vi, &stb), VI_ERROR_NSUP_OPER);  // no status byte on a plain line
}

TEST_F(Serial, FarEndClosedEndsReadAndWriteAtOnce) {
  // The time-out is long: a read that waited for it would return VI_ERROR_TMO.
  ASSERT_EQ(viSetAttribute(vi, VI_ATTR_TMO_VALUE, 20000), VI_SUCCESS);
  close(master);
  master = -1;
  std::string got;
  const ViStatus rd = readInto(&got, 100);
  EXPECT_TRUE(rd == VI_ERROR_CONN_LOST || rd == VI_ERROR_IO) << std::hex << rd;
  EXPECT_EQ(got, "");
  ViUInt32 n = 99;
  const ViStatus wr = viWrite(vi, reinterpret_cast<const ViByte *>("x\n"), 2, &n);
  EXPECT_TRUE(wr == VI_ERROR_CONN_LOST || wr == VI_ERROR_IO) << std::hex << wr;
  EXPECT_EQ(n, 0u);
}

TEST_F(Serial, HangUpNeverSignalsTheProgram) {
  // A session leader without a terminal would take a line opened without
  // O_NOCTTY as its controlling terminal and be killed by SIGHUP when the far
  // end closes. The child is such a leader.
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    close(master);
    close(ready[0]);
    setsid();
    ViSession crm = VI_NULL, cvi = VI_NULL;
    if (viOpenDefaultRM(&crm) != VI_SUCCESS ||
        viOpen(crm, ("ASRL" + path + "::INSTR").c_str(), VI_NULL, 0, &cvi) != VI_SUCCESS)
      _exit(2);
    viSetAttribute(cvi, VI_ATTR_TMO_VALUE, 20000);
    if (write(ready[1], "r", 1) != 1) _exit(3);
    ViByte buf[16];
    ViUInt32 n = 0;
    const ViStatus st = viRead(cvi, buf, sizeof buf, &n);
    _exit(st == VI_ERROR_CONN_LOST || st == VI_ERROR_IO ? 0 : 4);
  }
  close(ready[1]);
  viClose(vi);  // the child alone holds the line
  char c = 0;
  EXPECT_EQ(read(ready[0], &c, 1), 1);
  close(ready[0]);
  close(master);
  master = -1;
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_FALSE(WIFSIGNALED(status)) << "killed by signal " << WTERMSIG(status);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

TEST_F(Serial, LargeWriteArrivesWhole) {
  std::string data(256 * 1024, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + i / 251);
  std::string received;
  std::thread instrument([&] { received = receive(data.size()); });
  ViUInt32 n = 0;
  const ViStatus st =
      viWrite(vi, reinterpret_cast<const ViByte *>(data.data()), data.size(), &n);
  instrument.join();
  EXPECT_EQ(st, VI_SUCCESS);
  EXPECT_EQ(n, data.size());
  EXPECT_TRUE(received == data) << "received " << received.size() << " of " << data.size();
}

}  // namespace
