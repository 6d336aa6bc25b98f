// ondra end to end: the program drives a generator played on a
// pseudo-terminal through the real serial transport (or the simulated FG503);
// the bytes the generator received, standard error and the exit status are
// compared exactly.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness.h"

namespace {

const std::string kBin = ONDRA_BIN;

const char kUsage[] =
    "Software Info: ONDRA V1.00 by Tarn, Jan 2008\n"
    "Hardware: MOTECH FG503.\n"
    "Software Description: Set up & output desired waveform on FG503.\n\n"
    "USE FORMAT:\n"
    "ondra Addr Func Freq Amp Offs\n"
    "\n"
    "Addr: The address of the desired device.\n"
    "         e.g.USB1::1689::869::C020200::0\n"
    "Func: Desired function output.x=no change\n"
    "         Range: SIN,SQU,TRI,RUP,RDW,DC\n"
    "Freq: Desired frequency.x=no change\n"
    "         Range:10E-3~3E6(SIN,SQU),10E-3~20E3(TRI,RUP,RDW)\n"
    "Amp:  VPP amplitude.x=no change\n"
    "         Range:40E-3~20V\n"
    "Offs: Waveform offset.x=no change\n";

const std::string kDone = "\nProgram Completed Successfully.\n";
const std::string kFuncErr = "Error Func input. Range: SIN,SQU,TRI,RUP,RDW,DC\n";
const std::string kWideErr = "Error Freq input. Range:1E-3~3E6\n";
const std::string kNarrowErr = "Error Freq input. Range:1E-3~20E3\n";
const std::string kAmpErr = "Error Amp input. Range:40E-3~20\n";
const std::string kAddrErr = "Error Addr input. Address too long.\n";

// The report of a refusal: the device is cleared, the message shown, both
// sessions closed.
std::string refused(const std::string &message) {
  return "Clear operation completed successfully.\n\n" + message +
         "\nProgram Run Fail. Terminating...\n";
}
std::string offsLimit(const std::string &limit) {
  return refused("Excess Offs range. Limit:Offs<=" + limit + "\n");
}

std::string show(const std::vector<std::string> &args) {
  std::string s;
  for (const std::string &a : args)
    s += (s.empty() ? "" : " ") + (a.size() > 40 ? a.substr(0, 12) + "...(" +
                                        std::to_string(a.size()) + " chars)"
                                  : "'" + a + "'");
  return s;
}

// One run on the serial line: Func Freq Amp Offs after the line's address.
struct Case {
  std::vector<std::string> args;
  std::string sent;  // bytes the generator receives
  std::string tail;  // standard error after the line set-up
  int status;
};

void check(const std::vector<Case> &cases) {
  for (const Case &c : cases) {
    e2e::Run r = e2e::runSerial(kBin, c.args);
    SCOPED_TRACE("ondra ASRL<pty> " + show(c.args));
    EXPECT_EQ(r.received, c.sent);
    EXPECT_EQ(r.err, e2e::kSerialOpened + c.tail);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.status, c.status);
  }
}

TEST(OndraE2E, WrongArgumentCountShowsUsageAndTouchesNothing) {
  e2e::Run none = e2e::runPlain(kBin, {});
  EXPECT_EQ(none.err, kUsage);
  EXPECT_EQ(none.out, "");
  EXPECT_EQ(none.status, 1);
  // Four and six arguments with a live line as the address: still no traffic.
  const std::vector<std::vector<std::string>> wrong = {
      {"sin", "1000", "2"}, {"sin", "1000", "2", "0", "extra"}};
  for (const auto &args : wrong) {
    e2e::Run r = e2e::runSerial(kBin, args);
    SCOPED_TRACE("ondra ASRL<pty> " + show(args));
    EXPECT_EQ(r.err, kUsage);
    EXPECT_EQ(r.received, "");
    EXPECT_EQ(r.status, 1);
  }
}

TEST(OndraE2E, WaveShapes) {
  check({
      {{"Square", "x", "x", "x"}, "Square\r\n", kDone, 0},
      {{"DC", "x", "x", "x"}, "DC\r\n", kDone, 0},
      {{"dc2", "x", "x", "x"}, "dc2\r\n", kDone, 0},
      {{"SINE", "x", "x", "x"}, "SINE\r\n", kDone, 0},
      {{"rUp", "x", "x", "x"}, "rUp\r\n", kDone, 0},
      {{"rdw", "x", "x", "x"}, "rdw\r\n", kDone, 0},
      {{"s", "x", "x", "x"}, "", refused(kFuncErr), 1},
      {{"si", "x", "x", "x"}, "", refused(kFuncErr), 1},
      {{"", "x", "x", "x"}, "", refused(kFuncErr), 1},
      {{"X", "1000", "x", "x"}, "1000.000000HZ\r\n", kDone, 0},
      {{"xyz", "x", "x", "x"}, "", kDone, 0},
      // The longest shape that fits the 16-character copy, and one more.
      {{"sinewave1234567", "x", "x", "x"}, "sinewave1234567\r\n", kDone, 0},
      {{"sinewave12345678", "x", "x", "x"}, "", refused(kFuncErr), 1},
  });
}

TEST(OndraE2E, FrequencyLimitsFollowTheWaveShape) {
  check({
      {{"sin", "0.01", "x", "x"}, "sin\r\n", refused(kWideErr), 1},
      {{"sin", "0.0100001", "x", "x"}, "sin\r\n0.010000HZ\r\n", kDone, 0},
      {{"sin", "1234.567", "x", "x"}, "sin\r\n1234.567017HZ\r\n", kDone, 0},
      {{"sin", " +1e3", "x", "x"}, "sin\r\n1000.000000HZ\r\n", kDone, 0},
      {{"sin", "3000000", "x", "x"}, "sin\r\n3000000.000000HZ\r\n", kDone, 0},
      {{"sin", "3000000.1", "x", "x"}, "sin\r\n3000000.000000HZ\r\n", kDone, 0},
      {{"sin", "3000000.2", "x", "x"}, "sin\r\n", refused(kWideErr), 1},
      {{"Square", "3000000", "x", "x"}, "Square\r\n3000000.000000HZ\r\n", kDone, 0},
      {{"tri", "20000", "x", "x"}, "tri\r\n20000.000000HZ\r\n", kDone, 0},
      {{"tri", "20000.001", "x", "x"}, "tri\r\n", refused(kNarrowErr), 1},
      {{"DC", "20000.001", "x", "x"}, "DC\r\n", refused(kNarrowErr), 1},
      {{"rup", "3000000", "x", "x"}, "rup\r\n", refused(kNarrowErr), 1},
      // Without a shape the widest range applies.
      {{"x", "3000000", "x", "x"}, "3000000.000000HZ\r\n", kDone, 0},
      {{"x", "3000000.2", "x", "x"}, "", refused(kWideErr), 1},
      {{"x", "0.01", "x", "x"}, "", refused(kWideErr), 1},
      // Texts without a decimal number count as 0.
      {{"sin", "abc", "x", "x"}, "sin\r\n", refused(kWideErr), 1},
      {{"sin", "nan", "x", "x"}, "sin\r\n", refused(kWideErr), 1},
      {{"sin", "inf", "x", "x"}, "sin\r\n", refused(kWideErr), 1},
      {{"sin", "0x1000", "x", "x"}, "sin\r\n", refused(kWideErr), 1},
  });
}

TEST(OndraE2E, AmplitudeLimitsApplyToHalfTheValue) {
  check({
      {{"x", "x", "0.08", "x"}, "", refused(kAmpErr), 1},
      {{"x", "x", "0.0800001", "x"}, "0.040000V\r\n", kDone, 0},
      {{"x", "x", "2", "x"}, "1.000000V\r\n", kDone, 0},
      {{"x", "x", "40", "x"}, "20.000000V\r\n", kDone, 0},
      {{"x", "x", "41", "x"}, "", refused(kAmpErr), 1},
      {{"x", "x", "nan", "x"}, "", refused(kAmpErr), 1},
      {{"x", "x", "", "x"}, "", refused(kAmpErr), 1},
  });
}

TEST(OndraE2E, OffsetLimitDependsOnAmplitudeBand) {
  check({
      // A = 2: limit 5 - A.
      {{"x", "x", "4", "3"}, "2.000000V\r\n3.000000Vof\r\n", kDone, 0},
      {{"x", "x", "4", "3.1"}, "2.000000V\r\n", offsLimit("3.000000E+00"), 1},
      {{"x", "x", "4", "-100"}, "2.000000V\r\n-100.000000Vof\r\n", kDone, 0},
      // Band edges: A = 1 and A = 10 belong to the 5 - A band.
      {{"x", "x", "2", "4"}, "1.000000V\r\n4.000000Vof\r\n", kDone, 0},
      {{"x", "x", "20", "5.1"}, "10.000000V\r\n", offsLimit("5.000000E+00"), 1},
      // A = 0.5: limit 1 - A.
      {{"x", "x", "1", "0.5"}, "0.500000V\r\n0.500000Vof\r\n", kDone, 0},
      {{"x", "x", "1", "0.6"}, "0.500000V\r\n", offsLimit("5.000000E-01"), 1},
      // A just above 0.05: limit 0.1 - A.
      {{"x", "x", "0.1", "0.04"}, "0.050000V\r\n0.040000Vof\r\n", kDone, 0},
      {{"x", "x", "0.1", "0.06"}, "0.050000V\r\n", offsLimit("5.000000E-02"), 1},
      {{"x", "x", "0.1", "-1"}, "0.050000V\r\n-1.000000Vof\r\n", kDone, 0},
      {{"x", "x", "0.1", "abc"}, "0.050000V\r\n0.000000Vof\r\n", kDone, 0},
      // A = 15: no limit; nor without an amplitude.
      {{"x", "x", "30", "1000"}, "15.000000V\r\n1000.000000Vof\r\n", kDone, 0},
      {{"x", "x", "x", "1000"}, "1000.000000Vof\r\n", kDone, 0},
  });
}

TEST(OndraE2E, SettingsBeforeARefusalStaySent) {
  check({
      {{"sin", "1000", "5", "3"},
       "sin\r\n1000.000000HZ\r\n2.500000V\r\n",
       offsLimit("2.500000E+00"),
       1},
      {{"sin", "1000", "5", "2"},
       "sin\r\n1000.000000HZ\r\n2.500000V\r\n2.000000Vof\r\n",
       kDone,
       0},
  });
}

TEST(OndraE2E, HundredThousandCharacterArguments) {
  const size_t n = 100000;
  const std::string digits(n, '9');
  const std::string marker = "x" + std::string(n - 1, 'y');
  const std::string shape = "sin" + std::string(n - 3, 'e');
  const std::string thousand = "1000." + std::string(n - 5, '0');
  check({
      {{shape, "x", "x", "x"}, "", refused(kFuncErr), 1},
      {{marker, marker, marker, marker}, "", kDone, 0},
      {{"sin", digits, "x", "x"}, "sin\r\n", refused(kWideErr), 1},
      {{"sin", thousand, "x", "x"}, "sin\r\n1000.000000HZ\r\n", kDone, 0},
      {{"x", "x", digits, "x"}, "", refused(kAmpErr), 1},
      {{"x", "x", thousand.substr(0, n - 3), "x"}, "", refused(kAmpErr), 1},
      {{"x", "x", "4", digits}, "2.000000V\r\n", offsLimit("3.000000E+00"), 1},
      {{"x", "x", "4", "1" + thousand.substr(4)}, "2.000000V\r\n1.000000Vof\r\n",
       kDone, 0},
  });
}

TEST(OndraE2E, AddressTooLongIsRefusedBeforeAnySession) {
  // "%s::INSTR" of 9993 characters no longer fits the 10000-byte buffer.
  for (size_t len : {size_t(9993), size_t(100000)}) {
    e2e::Run r = e2e::runPlain(kBin, {std::string(len, 'A'), "sin", "1000", "2", "0"});
    SCOPED_TRACE("Addr of " + std::to_string(len) + " characters");
    EXPECT_EQ(r.err, kAddrErr);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.status, 1);
  }
  // One character less is tried as a resource: the session layer answers.
  e2e::Run r = e2e::runPlain(kBin, {std::string(9992, 'A'), "sin", "1000", "2", "0"});
  EXPECT_EQ(r.err.rfind("VISA session established successfully.\n", 0), 0u) << r.err;
  EXPECT_EQ(r.err.find(kAddrErr), std::string::npos);
  EXPECT_EQ(r.status, 1);
}

TEST(OndraE2E, LowerCaseSerialAddressOpensWithoutLineSetUp) {
  // Interface names are case-insensitive for the session layer, but only an
  // address written "ASRL" gets the serial set-up.
  e2e::Run r = e2e::runSerialAs(kBin, "asrl", {"sin", "1000", "2", "0.5"});
  EXPECT_EQ(r.received, "sin\r\n1000.000000HZ\r\n1.000000V\r\n0.500000Vof\r\n");
  EXPECT_EQ(r.err, e2e::kSessionOpened + kDone);
  EXPECT_EQ(r.status, 0);
}

TEST(OndraE2E, SimulatedGenerator) {
  e2e::Run done = e2e::runPlain(kBin, {"SIM::FG503", "SIN", "1000", "2", "0.5"});
  EXPECT_EQ(done.err, e2e::kSessionOpened + kDone);
  EXPECT_EQ(done.out, "");
  EXPECT_EQ(done.status, 0);

  e2e::Run bad = e2e::runPlain(kBin, {"SIM::FG503", "tri", "30000", "2", "0.5"});
  EXPECT_EQ(bad.err, e2e::kSessionOpened + refused(kNarrowErr));
  EXPECT_EQ(bad.out, "");
  EXPECT_EQ(bad.status, 1);
}

}  // namespace
