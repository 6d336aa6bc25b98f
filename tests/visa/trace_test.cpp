// The trace: one line per call in the file VISA_TRACE names, read again at
// each resource manager open; off without it.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "fake_model.h"
#include "visa.h"

namespace {

std::string hex(ViSession vi) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(vi));
  return buf;
}

std::string fileText(const std::string &path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

TEST(Trace, OneLinePerCallWithBytesStatusAndTransport) {
  fake::UseFakeModels models;
  char path[] = "/tmp/visa_trace_XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  setenv("VISA_TRACE", path, 1);

  ViSession rm = VI_NULL, vi = VI_NULL, none = VI_NULL;
  ASSERT_EQ(viOpenDefaultRM(&rm), VI_SUCCESS);
  ASSERT_EQ(viOpen(rm, "SIM::FAKE::INSTR", VI_NULL, 0, &vi), VI_SUCCESS);
  EXPECT_EQ(viOpen(rm, "SIM::NOSUCH::INSTR", VI_NULL, 0, &none), VI_ERROR_RSRC_NFOUND);
  ViUInt32 n = 0;
  EXPECT_EQ(viWrite(vi, reinterpret_cast<const ViByte *>("SIN\r\n"), 5, &n), VI_SUCCESS);
  const std::string odd("ECHO \0\xff\"\\\t\n", 11);
  viWrite(vi, reinterpret_cast<const ViByte *>(odd.data()), odd.size(), &n);
  ViByte buf[64];
  EXPECT_EQ(viRead(vi, buf, sizeof buf, &n), VI_SUCCESS);
  const std::string big(300, 'y');
  viWrite(vi, reinterpret_cast<const ViByte *>(big.data()), big.size(), &n);
  viClose(vi);

  unsetenv("VISA_TRACE");
  ViSession rm2 = VI_NULL;
  ASSERT_EQ(viOpenDefaultRM(&rm2), VI_SUCCESS);  // tracing off from here
  viClose(rm2);
  viClose(rm);

  const std::string v = hex(vi), r = hex(rm);
  const std::string expected =
      "viOpenDefaultRM() -> VI_SUCCESS (0x00000000) vi=" + r + "\n" +
      "viOpen(" + r + " RM, \"SIM::FAKE::INSTR\", 0, 0) -> VI_SUCCESS (0x00000000) vi=" + v +
      " SIM\n" +
      "viOpen(" + r + " RM, \"SIM::NOSUCH::INSTR\", 0, 0) -> VI_ERROR_RSRC_NFOUND (0xBFFF0011)\n" +
      "viWrite(" + v + " SIM, \"SIN\\r\\n\", 5) -> VI_SUCCESS (0x00000000) count=5\n" +
      "viWrite(" + v + " SIM, \"ECHO \\000\\377\\\"\\\\\\t\\n\", 11) -> VI_SUCCESS (0x00000000) count=11\n" +
      "viRead(" + v + " SIM, 64) -> VI_SUCCESS (0x00000000) count=6 \"\\000\\377\\\"\\\\\\t\\n\"\n" +
      "viWrite(" + v + " SIM, \"" + std::string(200, 'y') +
      "\" (+100 more bytes), 300) -> VI_SUCCESS (0x00000000) count=300\n" +
      "viClose(" + v + " SIM) -> VI_SUCCESS (0x00000000)\n";
  EXPECT_EQ(fileText(path), expected);
  unlink(path);
}

}  // namespace
