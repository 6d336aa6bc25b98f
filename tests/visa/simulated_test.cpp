// The SIM transport with a small fake model: writes reach the model, replies
// come back with END, the status byte, an instrument that never answers,
// device clear, and reading into a file.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "deadline.h"
#include "fake_model.h"
#include "visa.h"

namespace {

class Simulated : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(viOpenDefaultRM(&rm), VI_SUCCESS);
    ASSERT_EQ(viOpen(rm, "SIM::FAKE::INSTR", VI_NULL, 0, &vi), VI_SUCCESS);
  }
  void TearDown() override { viClose(rm); }

  void send(const std::string &s) {
    ViUInt32 n = 0;
    ASSERT_EQ(viWrite(vi, reinterpret_cast<const ViByte *>(s.data()), s.size(), &n), VI_SUCCESS);
    ASSERT_EQ(n, s.size());
  }
  ViStatus readInto(std::string *out, ViUInt32 count) {
    std::vector<ViByte> buf(count + 1);
    ViUInt32 n = 12345;
    const ViStatus st = viRead(vi, buf.data(), count, &n);
    out->assign(reinterpret_cast<char *>(buf.data()), n);
    return st;
  }
  static std::string fileText(const std::string &path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
  }

  fake::UseFakeModels models;
  ViSession rm = VI_NULL, vi = VI_NULL;
};

TEST_F(Simulated, RepliesEndWithEndOrTermCharOrCount) {
  struct Read {
    ViUInt32 count;
    ViStatus status;
    std::string bytes;
  };
  const struct {
    std::string command;
    bool termCharEnabled;
    std::vector<Read> reads;
  } cases[] = {
      {"ECHO hello\n", false, {{100, VI_SUCCESS, "hello\n"}}},
      {"ECHO hello\n", true, {{100, VI_SUCCESS_TERM_CHAR, "hello\n"}}},
      {"TWO\n", false, {{100, VI_SUCCESS, "a\nb\n"}}},
      {"TWO\n", true, {{100, VI_SUCCESS_TERM_CHAR, "a\n"}, {100, VI_SUCCESS_TERM_CHAR, "b\n"}}},
      {"ECHO hello\n", false, {{2, VI_SUCCESS_MAX_CNT, "he"}, {100, VI_SUCCESS, "llo\n"}}},
      {std::string("ECHO a\0b\n", 9), false, {{100, VI_SUCCESS, std::string("a\0b\n", 4)}}},
      {"BIG 9000\n", false, {{10000, VI_SUCCESS, std::string(9000, 'x') + "\n"}}},
  };
  for (const auto &c : cases) {
    ASSERT_EQ(viSetAttribute(vi, VI_ATTR_TERMCHAR_EN, c.termCharEnabled), VI_SUCCESS);
    send(c.command);
    for (std::size_t i = 0; i < c.reads.size(); ++i) {
      std::string got;
      EXPECT_EQ(readInto(&got, c.reads[i].count), c.reads[i].status)
          << c.command << " termchar " << c.termCharEnabled << ", read " << i;
      EXPECT_TRUE(got == c.reads[i].bytes)
          << c.command << " termchar " << c.termCharEnabled << ", read " << i << ": " << got;
    }
  }
  EXPECT_EQ(fake::readEmptyCalls, 0);
}

TEST_F(Simulated, StatusByteWhereTheModelHasOne) {
  ViUInt16 stb = 0;
  EXPECT_EQ(viReadSTB(vi, &stb), VI_SUCCESS);
  EXPECT_EQ(stb, 0x41);
  ViSession plain = VI_NULL;
  ASSERT_EQ(viOpen(rm, "sim::fakenostb::MODE=1::instr", VI_NULL, 0, &plain), VI_SUCCESS);
  EXPECT_EQ(viReadSTB(plain, &stb), VI_ERROR_NSUP_OPER);
  ViSession bad = VI_NULL;
  EXPECT_EQ(viOpen(rm, "SIM::FAKE::COLOR=RED::INSTR", VI_NULL, 0, &bad),
            VI_ERROR_INV_RSRC_NAME);
  EXPECT_EQ(viOpen(rm, "SIM::NOSUCH::MODE=1::INSTR", VI_NULL, 0, &bad), VI_ERROR_RSRC_NFOUND);
}

// A clock that jumps a second each time it is read: a deadline passes at once.
visa::Millis fastClock() {
  static visa::Millis now = 0;
  return now += 1000;
}

TEST_F(Simulated, NothingQueuedTimesOutAndTellsTheModelOnce) {
  const visa::ClockFn real = visa::setClock(fastClock);
  std::string got;
  const ViStatus st = readInto(&got, 100);
  visa::setClock(real);
  EXPECT_EQ(st, VI_ERROR_TMO);
  EXPECT_EQ(got, "");
  EXPECT_EQ(fake::readEmptyCalls, 1);
}

TEST_F(Simulated, ClearAndFlushDropQueuedReplies) {
  ASSERT_EQ(viSetAttribute(vi, VI_ATTR_TERMCHAR_EN, VI_TRUE), VI_SUCCESS);
  ASSERT_EQ(viSetAttribute(vi, VI_ATTR_TMO_VALUE, VI_TMO_IMMEDIATE), VI_SUCCESS);
  for (ViStatus (*drop)(ViSession) :
       {+[](ViSession s) { return viClear(s); },
        +[](ViSession s) { return viFlush(s, VI_READ_BUF_DISCARD | VI_IO_IN_BUF_DISCARD); }}) {
    send("TWO\n");
    std::string got;
    ASSERT_EQ(readInto(&got, 100), VI_SUCCESS_TERM_CHAR);  // "b\n" stays in the session
    send("TWO\n");                                         // "a\nb\n" queued in the model
    EXPECT_EQ(drop(vi), VI_SUCCESS);
    EXPECT_EQ(readInto(&got, 100), VI_ERROR_TMO);
    EXPECT_EQ(got, "");
  }
  EXPECT_EQ(fake::deviceClearCalls, 1);
}

TEST_F(Simulated, ReadToFile) {
  char dir[] = "/tmp/visa_test_XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string path = std::string(dir) + "/reply.bin";
  ViUInt32 n = 0;

  send("ECHO da\001ta\n");
  EXPECT_EQ(viReadToFile(vi, path.c_str(), 100, &n), VI_SUCCESS);
  EXPECT_EQ(n, 6u);
  EXPECT_EQ(fileText(path), "da\001ta\n");

  send("ECHO abcdef\n");  // a shorter count: the file is emptied first, the rest kept
  EXPECT_EQ(viReadToFile(vi, path.c_str(), 2, &n), VI_SUCCESS_MAX_CNT);
  EXPECT_EQ(fileText(path), "ab");
  std::string rest;
  EXPECT_EQ(readInto(&rest, 100), VI_SUCCESS);
  EXPECT_EQ(rest, "cdef\n");

  send("BIG 10000\n");  // more than one block
  EXPECT_EQ(viReadToFile(vi, path.c_str(), 20000, &n), VI_SUCCESS);
  EXPECT_EQ(n, 10001u);
  EXPECT_EQ(fileText(path), std::string(10000, 'x') + "\n");

  send("ECHO lost\n");
  EXPECT_EQ(viReadToFile(vi, (std::string(dir) + "/no/such/dir/f").c_str(), 100, &n),
            VI_ERROR_FILE_ACCESS);
  EXPECT_EQ(viReadToFile(vi, "/dev/full", 100, &n), VI_ERROR_FILE_IO);
  unlink(path.c_str());
  rmdir(dir);
}

}  // namespace
