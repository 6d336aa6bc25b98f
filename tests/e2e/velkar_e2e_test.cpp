// velkar_e2e_test.cpp - velkar run whole: against a 33220A played by the test
// on a pseudo-terminal (the real serial path), and against the simulated
// 33220A. Every byte the generator receives and every byte the program prints
// is compared.
#ifdef VELKAR_BIN

#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "harness.h"
#include "instrument.h"

namespace {

const std::string kBin = VELKAR_BIN;

const char kMode[] = "BURST MODE = TRIG\n";
const char kCompleted[] = "\nProgram Completed Successfully.\n";

// Written before the first query: output and modulations off, triggered burst.
const char kPrepare[] =
    "OUTPUT OFF\nAM:STAT OFF\nFM:STAT OFF\nPM:STAT OFF\nFSK:STAT OFF\n"
    "PWM:STAT OFF\nSWE:STAT OFF\nBURS:STAT OFF\nPWM:STAT OFF\nBURST:MODE TRIG\n";
// The instrument state read before any argument but Addr is looked at.
const char kState[] = "FREQUENCY?\nFUNCTION?\nFUNC?\nBURST:MODE?\n";
const char kEnable[] = "BURS:STAT ON\nBURS:STAT?\nOUTPUT ON\nOUTPUT?\n*WAI\n";

// What a refused run prints after its own output: the closing procedure on a
// serial session (both flushes and the clear succeed) and the report.
std::string refused(const std::string &message) {
  return "Flush Bead buffer successfully.\n"
         "Flush Write buffer successfully.\n"
         "Clear operation completed successfully.\n"
         "\n" + message + "\nProgram Run Fail. Terminating...\n";
}

using Replies = std::map<std::string, std::string>;

// A 33220A at 1 kHz sine, in the state a burst set-up leaves it in.
const Replies kDefaults = {
    {"FREQUENCY?\n", "+1.000000000000000E+03\n"},
    {"FUNCTION?\n", "SIN\n"},
    {"FUNC?\n", "SIN\n"},
    {"BURST:MODE?\n", "TRIG\n"},
    {"BURST:NCYCLES?\n", "+5.000000000000000E+00\n"},
    {"TRIGGER:SOURCE?\n", "IMM\n"},
    {"TRIGGER:SLOPE?\n", "POS\n"},
    {"OUTPUT:TRIGGER?\n", "1\n"},
    {"OUTPUT:TRIGGER:SLOPE?\n", "POS\n"},
    {"UNIT:ANGLE?\n", "DEG\n"},
    {"BURST:PHASE?\n", "+9.000000000000000E+01\n"},
    {"BURST:INTERNAL:PERIOD?\n", "+5.000000000000000E-01\n"},
    {"BURS:STAT?\n", "1\n"},
    {"OUTPUT?\n", "1\n"},
};

// Answers each query from the default table, with some replies replaced.
e2e::Responder generator(const Replies &changes = {}) {
  Replies replies = kDefaults;
  for (const auto &c : changes) replies[c.first] = c.second;
  return [replies](const std::string &line, int) -> std::optional<std::string> {
    auto it = replies.find(line);
    if (it == replies.end()) return std::nullopt;
    return it->second;
  };
}

Replies freqFunc(const std::string &freq, const std::string &func) {
  return {{"FREQUENCY?\n", freq}, {"FUNCTION?\n", func}, {"FUNC?\n", func}};
}

// Feeds a run's bytes, line by line, to a fresh simulated 33220A, reading
// each reply as the program did, and returns its first error queue entry.
std::string replay(const std::string &received) {
  std::string why;
  std::unique_ptr<sim::Instrument> model = sim::make("33220A", {}, &why);
  if (!model) return "no model: " + why;
  char reply[4096];
  std::istringstream lines(received);
  std::string line;
  while (std::getline(lines, line)) {
    model->receive(line + "\n");
    while (model->take(reply, sizeof reply) > 0) {
    }
  }
  model->receive("SYST:ERR?\n");
  std::string first;
  for (size_t n; (n = model->take(reply, sizeof reply)) > 0;) first.append(reply, n);
  return first;
}

std::string show(const std::vector<std::string> &args) {
  std::string s;
  for (const std::string &a : args)
    s += (a.size() > 40 ? a.substr(0, 20) + "...(" + std::to_string(a.size()) + ")" : a) + " ";
  return s;
}

// What velkar prints on standard output for "5 INT RISE DEG 90 0.5" on a
// generator at 1 kHz sine, over the serial line and on the simulated one.
static const char kInternalRiseReadBack[] =
    "BURST CYCLES = 5.0000000e+0\n"
    "TRIGGER SOURCE = IMM\n"
    "TRIGGER OUTPUT = 1\n"
    "TRIGGER OUTPUT SLOPE = POS\n"
    "PHASE UNIT = DEG\n"
    "START PHASE = 90.000000e+0\n"
    "BURST PERIOD = 500.00000e-3\n"
    "BURST = 1\n"
    "OUTPUT = 1\n";

TEST(VelkarUsage, WrongArgumentCountPrintsUsageOnly) {
  const std::string usage =
      "Hardware: Agilent 33220A.\n"
      "Software Description: Set & enable burst (cycle) funciton.\n\n"
      "USE FORMAT:\n"
      "velkar Addr #cyc Trgsou Trgout Angle Phase Period(optional)\n"
      "Addr:    The address of the desired device.\n"
      "            e.g.USB1::1689::869::C020200::0\n"
      "#cyc:    Number of burst cycle. #cyc < Period * Waveform Frequency (Trgsou=INT)\n"
      "            e.g. MAX,MIN,INF,1~50E3.\n"
      "Trgsou:  Choose trigger source.MAN uses prell.exe to send trigger signal.\n"
      "            e.g. INT,EXR,EXF,MAN\n"
      "Trgout:  Trun on trigger output.\n"
      "            e.g. OFF,RISE,FALL\n"
      "Angle:   Desired Phase unit.\n"
      "            e.g. DEG,RAD\n"
      "Phase:   Desired starting Phase.\n"
      "\t         e.g. -360~360(DEG), -2~2(RAD)\n"
      "Period(Optional): Desired burst period ONLY when Trgsouc=INT.\n"
      "                  e.g. MAX,MIN,1E-6~500E0.\n";
  const std::vector<std::vector<std::string>> counts = {
      {},
      {"SIM::33220A", "5", "INT", "OFF", "DEG"},
      {"SIM::33220A", "5", "INT", "OFF", "DEG", "0", "0.5", "extra"},
  };
  for (const auto &args : counts) {
    e2e::Run run = e2e::runPlain(kBin, args);
    EXPECT_EQ(run.status, 1) << args.size() << " arguments";
    EXPECT_EQ(run.err, usage) << args.size() << " arguments";
    EXPECT_EQ(run.out, "") << args.size() << " arguments";
  }
}

// Two whole runs, every byte compared.
TEST(VelkarSerial, CompleteRuns) {
  struct Full {
    std::vector<std::string> args;
    Replies changes;
    std::string sent, out;
  };
  const std::vector<Full> runs = {
      {{"5", "INT", "RISE", "DEG", "90", "0.5"},
       {},
       "BURST:NCYCLES 5\nBURST:NCYCLES?\n"
       "TRIGGER:SOURCE IMM\nTRIGGER:SOURCE?\n"
       "OUTPUT:TRIGGER ON\nOUTPUT:TRIGGER:SLOPE POS\nOUTPUT:TRIGGER?\nOUTPUT:TRIGGER:SLOPE?\n"
       "UNIT:ANGLE DEG\nUNIT:ANGLE?\n"
       "BURST:PHASE 90\nBURST:PHASE?\n"
       "BURST:INTERNAL:PERIOD 0.5\nBURST:INTERNAL:PERIOD?\n",
       kInternalRiseReadBack},
      // External falling edge: the Period argument is ignored altogether.
      {{"INF", "EXF", "OFF", "RAD", "1", "1E-3"},
       {{"BURST:NCYCLES?\n", "+9.900000000000000E+37\n"},
        {"TRIGGER:SOURCE?\n", "EXT\n"},
        {"TRIGGER:SLOPE?\n", "NEG\n"},
        {"OUTPUT:TRIGGER?\n", "0\n"},
        {"UNIT:ANGLE?\n", "RAD\n"},
        {"BURST:PHASE?\n", "+3.141592650000000E+00\n"}},
       "BURST:NCYCLES INF\nBURST:NCYCLES?\n"
       "TRIGGER:SLOP NEG\nTRIGGER:SOURCE EXT\nTRIGGER:SOURCE?\nTRIGGER:SLOPE?\n"
       "OUTPUT:TRIGGER OFF\nOUTPUT:TRIGGER?\n"
       "UNIT:ANGLE RAD\nUNIT:ANGLE?\n"
       "BURST:PHASE 3.141593E+00\nBURST:PHASE?\n",
       "BURST CYCLES = 99.000000e+36\n"
       "TRIGGER SOURCE = EXT\n"
       "TRIGGER EDGE = NEG\n"
       "TRIGGER OUTPUT = 0\n"
       "PHASE UNIT = RAD\n"
       "START PHASE = 3.1415927e+0\n"
       "BURST = 1\n"
       "OUTPUT = 1\n"},
  };
  for (const Full &f : runs) {
    e2e::Run run = e2e::runSerial(kBin, f.args, generator(f.changes));
    EXPECT_EQ(run.status, 0) << show(f.args) << run.err;
    EXPECT_EQ(run.received, kPrepare + std::string(kState) + f.sent + kEnable) << show(f.args);
    EXPECT_EQ(run.err, e2e::kSerialOpened + std::string(kMode) + kCompleted) << show(f.args);
    EXPECT_EQ(run.out, f.out) << show(f.args);
    // The simulated 33220A takes the same bytes without a single error.
    EXPECT_EQ(replay(run.received), "+0,\"No error\"\n") << show(f.args);
  }
}

// Only an upper-case "ASRL" address gets the serial line set up; the session
// opens either way.
TEST(VelkarSerial, LowerCaseSerialAddressSkipsLineSetup) {
  e2e::Run run = e2e::runSerialAs(kBin, "asrl", {"5", "EXR", "OFF", "DEG", "0"}, generator());
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, e2e::kSessionOpened + std::string(kMode) + kCompleted);
  EXPECT_EQ(run.received.substr(0, sizeof kPrepare - 1), kPrepare);
}

// One argument or reply varied from a run that completes; the commands that
// matter must arrive in order, the rest of the run follows its course.
struct Case {
  std::vector<std::string> args;  // after Addr
  Replies changes;                // replies that differ from the defaults
  std::string sent;               // commands the generator receives, in a row
  std::string absent;             // a command it never receives ("" for none)
  std::string err;                // standard error between the opening lines and the end
  std::string refusal;            // message of a refused run ("" for a completed one)
};

void check(const Case &c) {
  e2e::Run run = e2e::runSerial(kBin, c.args, generator(c.changes));
  const std::string what = show(c.args);
  EXPECT_EQ(run.status, c.refusal.empty() ? 0 : 1) << what;
  EXPECT_NE(run.received.find(c.sent), std::string::npos)
      << what << "\nexpected in a row:\n" << c.sent << "received:\n" << run.received;
  if (!c.absent.empty()) {
    EXPECT_EQ(run.received.find(c.absent), std::string::npos)
        << what << " must not send " << c.absent;
  }
  EXPECT_EQ(run.err, e2e::kSerialOpened + c.err +
                         (c.refusal.empty() ? std::string(kCompleted) : refused(c.refusal)))
      << what;
}

const std::string kHead = kPrepare + std::string(kState);
const char kCycRange[] = "Error #cyc inputs. e.g. MAX,MIN,INF,1~50E3.\n";
const char kNoiseDc[] = "velkar does not support NOISE, DC funcitons.\n";
const char kInfNotice[] =
    "Sin & Square waveforms above 6E6 Hz only #cyc=INF is applicable.\n"
    "Program is applying INF.\n";

std::string ncycles(const std::string &text) {
  return kHead + "BURST:NCYCLES " + text + "\nBURST:NCYCLES?\n";
}

TEST(VelkarSerial, WaveShapeAndCycleCount) {
  const std::string mode = kMode;
  const std::vector<Case> cases = {
      // Counts within 1 to 50000 go out as typed; keywords by their first letters.
      {{"1", "EXR", "OFF", "DEG", "0"}, {}, ncycles("1"), "", mode, ""},
      {{"50000", "EXR", "OFF", "DEG", "0"}, {}, ncycles("50000"), "", mode, ""},
      {{"2.5", "EXR", "OFF", "DEG", "0"}, {}, ncycles("2.5"), "", mode, ""},
      {{"1e3", "EXR", "OFF", "DEG", "0"}, {}, ncycles("1e3"), "", mode, ""},
      {{"10abc", "EXR", "OFF", "DEG", "0"}, {}, ncycles("10abc"), "", mode, ""},
      {{"maximum", "EXR", "OFF", "DEG", "0"}, {}, ncycles("MAX"), "", mode, ""},
      {{"mAx", "EXR", "OFF", "DEG", "0"}, {}, ncycles("MAX"), "", mode, ""},
      {{"minimal", "EXR", "OFF", "DEG", "0"}, {}, ncycles("MIN"), "", mode, ""},
      {{"Infinite", "EXR", "OFF", "DEG", "0"}, {}, ncycles("INF"), "", mode, ""},
      {{"i", "EXR", "OFF", "DEG", "0"}, {}, ncycles("INF"), "", mode, ""},
      // Out of range or not a number: hexadecimal and NAN count as 0.
      {{"0.99", "EXR", "OFF", "DEG", "0"}, {}, kHead, "BURST:NCYCLES", mode, kCycRange},
      {{"50000.01", "EXR", "OFF", "DEG", "0"}, {}, kHead, "BURST:NCYCLES", mode, kCycRange},
      {{"abc", "EXR", "OFF", "DEG", "0"}, {}, kHead, "BURST:NCYCLES", mode, kCycRange},
      {{"M", "EXR", "OFF", "DEG", "0"}, {}, kHead, "BURST:NCYCLES", mode, kCycRange},
      {{"0x10", "EXR", "OFF", "DEG", "0"}, {}, kHead, "BURST:NCYCLES", mode, kCycRange},
      {{"nan", "EXR", "OFF", "DEG", "0"}, {}, kHead, "BURST:NCYCLES", mode, kCycRange},
      // NOISE and DC are refused before the burst mode is read; only the
      // FUNC? reply counts, upper case only.
      {{"5", "EXR", "OFF", "DEG", "0"}, freqFunc("+1.0E+03\n", "DC\n"),
       kPrepare + std::string("FREQUENCY?\nFUNCTION?\nFUNC?\n"), "BURST:MODE?", "", kNoiseDc},
      {{"5", "EXR", "OFF", "DEG", "0"}, freqFunc("+1.0E+03\n", "NOIS\n"), "FUNC?\n",
       "BURST:MODE?", "", kNoiseDc},
      {{"5", "EXR", "OFF", "DEG", "0"}, freqFunc("+1.0E+03\n", "dc\n"), ncycles("5"), "", mode,
       ""},
      {{"5", "EXR", "OFF", "DEG", "0"}, {{"FUNCTION?\n", "DC\n"}}, ncycles("5"), "", mode, ""},
      // Sine and square above 6 MHz: INF whatever #cyc says, with a notice.
      {{"abc", "EXR", "OFF", "DEG", "0"}, freqFunc("+6.000000100000000E+06\n", "SQU\n"),
       ncycles("INF"), "", mode + kInfNotice, ""},
      {{"5", "INT", "OFF", "DEG", "0"}, freqFunc("+2.000000000000000E+07\n", "SIN\n"),
       ncycles("INF"), "", mode + kInfNotice, ""},
      {{"5", "EXR", "OFF", "DEG", "0"}, freqFunc("+6.000000000000000E+06\n", "SIN\n"),
       ncycles("5"), "", mode, ""},
      {{"5", "EXR", "OFF", "DEG", "0"}, freqFunc("+1.000000000000000E+07\n", "RAMP\n"),
       ncycles("5"), "", mode, ""},
  };
  for (const Case &c : cases) check(c);
}

TEST(VelkarSerial, CycleCountFitsInternalPeriod) {
  const std::string mode = kMode;
  const Replies at200 = {{"FREQUENCY?\n", "+2.000000000000000E+02\n"}};
  const Replies at100k = {{"FREQUENCY?\n", "+1.000000000000000E+05\n"}};
  const std::vector<Case> cases = {
      // Period 0.5 at 200 Hz holds fewer than 100 cycles.
      {{"99", "INT", "OFF", "DEG", "0", "0.5"}, at200, ncycles("99"), "", mode, ""},
      {{"100", "INT", "OFF", "DEG", "0", "0.5"}, at200, kHead, "BURST:NCYCLES", mode,
       "Error #cyc input.\nIf Trgsou=INT, 1 >= #cyc < 1.000000E+02\n"},
      // 1E-3 x 100 kHz lies just above 100 when kept in extended precision;
      // the period then fails its own bound (100 / 100 kHz + 200 ns).
      {{"100", "INT", "OFF", "DEG", "0", "1E-3"}, at100k, ncycles("100"),
       "BURST:INTERNAL:PERIOD 1E-3", mode,
       "Period must > 1.000200E-03 ((#cyc/Waveform Freq)+200E-9)\n"},
      // A Period keyword counts as 0 here.
      {{"5", "INT", "OFF", "DEG", "0", "MAX"}, {}, kHead, "BURST:NCYCLES", mode,
       "Error #cyc input.\nIf Trgsou=INT, 1 >= #cyc < 0.000000E+00\n"},
      // Without Period the burst period will be 10 ms: 10 cycles at 1 kHz
      // do not fit, 9 do.
      {{"9", "INT", "OFF", "DEG", "0"}, {}, ncycles("9"), "", mode, ""},
      {{"10", "Int", "OFF", "DEG", "0"}, {}, kHead, "BURST:NCYCLES", mode,
       "Error #cyc input.\nIf Trgsou=INT, 1 >= #cyc < 1.000000E+01\n"},
      // Other trigger sources are not tied to the period.
      {{"5000", "EXR", "OFF", "DEG", "0", "1E-3"}, {}, ncycles("5000"), "", mode, ""},
  };
  for (const Case &c : cases) check(c);
}

TEST(VelkarSerial, TriggerPhaseAndPeriod) {
  const std::string mode = kMode;
  const char kTrgsou[] = "Error Trgsou inputs. e.g. INT,EXR,EXF,MAN\n";
  const char kTrgout[] = "Error Trgout inputs. e.g. OFF,RISE,FALL\n";
  const char kPhase[] = "Error Phase input. e.g. MAX,MIN, -360~360(DEG), -2~2(RAD)\n";
  const char kPeriod[] = "Error Period inputs. e.g. MAX,MIN,1E-6~500E0.\n";
  const char kAngle[] = "Error Angle input. e.g. DEG,RAD\n";
  const std::string rising =
      "TRIGGER:SLOP POS\nTRIGGER:SOURCE EXT\nTRIGGER:SOURCE?\nTRIGGER:SLOPE?\n";
  const std::string falling =
      "TRIGGER:SLOP NEG\nTRIGGER:SOURCE EXT\nTRIGGER:SOURCE?\nTRIGGER:SLOPE?\n";
  const std::string imm = "BURST:NCYCLES?\nTRIGGER:SOURCE IMM\nTRIGGER:SOURCE?\nOUTPUT:TRIGGER";
  const std::string period = "BURST:INTERNAL:PERIOD";
  const std::vector<Case> cases = {
      // Trigger source.
      {{"5", "IMMEDIATE", "OFF", "DEG", "0"}, {}, imm, "", mode, ""},
      {{"MAX", "i", "OFF", "DEG", "0"}, {}, imm, "", mode, ""},
      {{"5", "m", "OFF", "DEG", "0"}, {},
       "BURST:NCYCLES?\nTRIGGER:SOURCE BUS\nTRIGGER:SOURCE?\nOUTPUT:TRIGGER", "", mode, ""},
      {{"5", "exr", "OFF", "DEG", "0"}, {}, "BURST:NCYCLES?\n" + rising, "", mode, ""},
      {{"5", "EXRISE", "OFF", "DEG", "0"}, {}, "BURST:NCYCLES?\n" + rising, "", mode, ""},
      {{"5", "eXf", "OFF", "DEG", "0"}, {}, "BURST:NCYCLES?\n" + falling, "", mode, ""},
      {{"5", "EXT", "OFF", "DEG", "0"}, {}, ncycles("5"), "TRIGGER:", mode, kTrgsou},
      {{"5", "ex", "OFF", "DEG", "0"}, {}, ncycles("5"), "TRIGGER:", mode, kTrgsou},
      // Trigger output: ON counts as OFF by its first letter.
      {{"5", "EXR", "ON", "DEG", "0"}, {},
       "TRIGGER:SLOPE?\nOUTPUT:TRIGGER OFF\nOUTPUT:TRIGGER?\nUNIT:ANGLE DEG\n", "", mode, ""},
      {{"5", "EXR", "rise", "DEG", "0"}, {},
       "TRIGGER:SLOPE?\nOUTPUT:TRIGGER ON\nOUTPUT:TRIGGER:SLOPE POS\nOUTPUT:TRIGGER?\n"
       "OUTPUT:TRIGGER:SLOPE?\nUNIT:ANGLE DEG\n",
       "", mode, ""},
      {{"5", "EXR", "F", "DEG", "0"}, {},
       "OUTPUT:TRIGGER ON\nOUTPUT:TRIGGER:SLOPE NEG\nOUTPUT:TRIGGER?\n", "", mode, ""},
      {{"5", "EXR", "HIGH", "DEG", "0"}, {}, "TRIGGER:SLOPE?\n", "OUTPUT:", mode, kTrgout},
      // Phase unit and start phase.
      {{"5", "EXR", "OFF", "DEG", "360"}, {}, "UNIT:ANGLE DEG\nUNIT:ANGLE?\nBURST:PHASE 360\n",
       "", mode, ""},
      {{"5", "EXR", "OFF", "deg", "-360"}, {}, "BURST:PHASE -360\nBURST:PHASE?\n", "", mode, ""},
      {{"5", "EXR", "OFF", "DEG", "360.5"}, {}, "UNIT:ANGLE?\n", "BURST:PHASE", mode, kPhase},
      {{"5", "EXR", "OFF", "radians", "2"}, {},
       "UNIT:ANGLE RAD\nUNIT:ANGLE?\nBURST:PHASE 6.283185E+00\n", "", mode, ""},
      {{"5", "EXR", "OFF", "RAD", "-2"}, {}, "BURST:PHASE -6.283185E+00\n", "", mode, ""},
      // The factor is 3.14159265, not a more precise pi (2.865133E-01).
      {{"5", "EXR", "OFF", "RAD", "0.0912"}, {}, "BURST:PHASE 2.865132E-01\n", "", mode, ""},
      {{"5", "EXR", "OFF", "RAD", "2.1"}, {}, "UNIT:ANGLE?\n", "BURST:PHASE", mode, kPhase},
      {{"5", "EXR", "OFF", "RAD", "90"}, {}, "UNIT:ANGLE?\n", "BURST:PHASE", mode, kPhase},
      {{"5", "EXR", "OFF", "RAD", "minimum"}, {}, "BURST:PHASE MIN\n", "", mode, ""},
      // An unknown unit is reported, not sent; the unit is still read back.
      {{"5", "EXR", "OFF", "grad", "MAX"}, {},
       "OUTPUT:TRIGGER?\nUNIT:ANGLE?\nBURST:PHASE MAX\n", "UNIT:ANGLE ", mode + kAngle, ""},
      {{"5", "EXR", "OFF", "grad", "90"}, {}, "UNIT:ANGLE?\n", "BURST:PHASE", mode + kAngle,
       kPhase},
      // Burst period, for internal triggering only.
      {{"5", "EXF", "OFF", "DEG", "0", "1E-3"}, {}, "BURST:PHASE?\nBURS:STAT ON\n", period, mode,
       ""},
      {{"5", "INT", "OFF", "DEG", "0"}, {},
       "BURST:PHASE?\nBURST:INTERNAL:PERIOD 10E-3\nBURST:INTERNAL:PERIOD?\nBURS:STAT ON\n", "",
       mode, ""},
      {{"100", "INT", "OFF", "DEG", "0", "0.2"}, {},
       "BURST:INTERNAL:PERIOD 0.2\nBURST:INTERNAL:PERIOD?\n", "", mode, ""},
      {{"100", "INT", "OFF", "DEG", "0", "0.10000015"}, {}, "BURST:PHASE?\n", period, mode,
       "Period must > 1.000002E-01 ((#cyc/Waveform Freq)+200E-9)\n"},
      // 2 / 1 kHz + 200 ns, kept in extended precision, lies just below
      // 2.0002E-3 (rounded to double it would equal it).
      {{"2", "INT", "OFF", "DEG", "0", "2.0002E-3"}, {}, "BURST:INTERNAL:PERIOD 2.0002E-3\n", "",
       mode, ""},
      {{"MAX", "INT", "OFF", "DEG", "0", "500"}, {}, "BURST:INTERNAL:PERIOD 500\n", "", mode, ""},
      {{"INF", "INT", "OFF", "DEG", "0", "1E-6"}, {}, "BURST:INTERNAL:PERIOD 1E-6\n", "", mode,
       ""},
      {{"MAX", "INT", "OFF", "DEG", "0", "500.1"}, {}, "BURST:PHASE?\n", period, mode, kPeriod},
      {{"MAX", "INT", "OFF", "DEG", "0", "9E-7"}, {}, "BURST:PHASE?\n", period, mode, kPeriod},
      {{"MAX", "INT", "OFF", "DEG", "0", "Maximum"}, {}, "BURST:INTERNAL:PERIOD MAX\n", "", mode,
       ""},
      {{"MIN", "INT", "OFF", "DEG", "0", "mi"}, {}, "BURST:INTERNAL:PERIOD MIN\n", "", mode, ""},
  };
  for (const Case &c : cases) check(c);
}

// Arguments whose command would not fit the 10000-byte work buffer are
// refused; one that just fits is sent whole.
TEST(VelkarSerial, OverlongArguments) {
  const std::string mode = kMode;
  // "BURST:NCYCLES " + text + "\n" and the terminating zero.
  const std::string fits = "5" + std::string(10000 - 16 - 1, 'x');
  const std::string over = fits + "x";
  const std::string phase = "90" + std::string(10000, ' ');
  const std::string per = "0.5" + std::string(10000, 'x');
  const std::vector<Case> cases = {
      {{fits, "EXR", "OFF", "DEG", "0"}, {}, ncycles(fits), "", mode, ""},
      {{over, "EXR", "OFF", "DEG", "0"}, {}, kHead, "BURST:NCYCLES", mode,
       "Error #cyc input. Too long.\n"},
      {{"5", "EXR", "OFF", "DEG", phase}, {}, "UNIT:ANGLE?\n", "BURST:PHASE", mode,
       "Error Phase input. Too long.\n"},
      {{"5", "INT", "OFF", "DEG", "0", per}, {}, "BURST:PHASE?\n", "BURST:INTERNAL:PERIOD",
       mode, "Error Period input. Too long.\n"},
  };
  for (const Case &c : cases) check(c);

  // Addr is refused before any session is opened.
  e2e::Run run = e2e::runPlain(
      kBin, {"SIM::33220A" + std::string(10000, 'A'), "5", "INT", "OFF", "DEG", "0"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "Error Addr input. Too long.\n");
  EXPECT_EQ(run.out, "");
}

// Runs on the simulated 33220A: the program cannot tell it from hardware.
TEST(VelkarSim, RunsOnSimulatedGenerator) {
  e2e::Run run = e2e::runPlain(kBin, {"SIM::33220A", "5", "INT", "RISE", "DEG", "90", "0.5"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, e2e::kSessionOpened + std::string(kMode) + kCompleted);
  EXPECT_EQ(run.out, kInternalRiseReadBack);

  run = e2e::runPlain(kBin, {"SIM::33220A::FUNC=DC", "5", "INT", "RISE", "DEG", "90"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, e2e::kSessionOpened + refused(kNoiseDc));
  EXPECT_EQ(run.out, "");
}

// Sine at 7 MHz: INF is sent whatever #cyc says; the VISA trace, switched on
// for this run only, shows the generator took it.
TEST(VelkarSim, SineAbove6MHzTraced) {
  char path[] = "/tmp/velkar_traceXXXXXX";
  int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  e2e::Run run = e2e::runPlain(
      "/usr/bin/env", {"VISA_TRACE=" + std::string(path), kBin,
                       "SIM::33220A::FREQ=7E6::FUNC=SIN", "abc", "INT", "OFF", "DEG", "0"});
  std::ifstream file(path);
  std::stringstream trace;
  trace << file.rdbuf();
  unlink(path);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, e2e::kSessionOpened + std::string(kMode) + kInfNotice + kCompleted);
  const std::string cycles = "BURST CYCLES = 99.000000e+36\n";
  EXPECT_EQ(run.out.substr(0, cycles.size()), cycles);
  EXPECT_NE(trace.str().find("\"BURST:NCYCLES INF\\n\", 18) -> VI_SUCCESS"), std::string::npos)
      << trace.str();
  EXPECT_NE(trace.str().find("\"BURST:INTERNAL:PERIOD 10E-3\\n\", 28) -> VI_SUCCESS"),
            std::string::npos)
      << trace.str();
}

size_t count(const std::string &text, const std::string &piece) {
  size_t n = 0;
  for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) n++;
  return n;
}

// A reply that comes only after the first read has timed out: the second
// read gets it. A reply that never comes: the run gives up. Each takes a real
// time-out and pause of 3 s, so each is a test of its own.
const std::vector<std::string> kSlowArgs = {"5", "INT", "OFF", "DEG", "0", "0.5"};
const char kFailure[] = "Failure reading in viRead statement...";

TEST(VelkarSlow, ReadSucceedsOnRetry) {
  e2e::Responder late = [answer = generator()](const std::string &line, int seen) {
    if (line == "BURST:NCYCLES?\n" && seen == 0)
      std::this_thread::sleep_for(std::chrono::milliseconds(4500));
    return answer(line, seen);
  };
  e2e::Run run = e2e::runSerial(kBin, kSlowArgs, late);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(count(run.err, kFailure), 1u) << run.err;
  EXPECT_EQ(count(run.err, "The session TIMED OUT."), 1u) << run.err;
  EXPECT_EQ(run.err.find("Giving up"), std::string::npos) << run.err;
  const std::string cycles = "BURST CYCLES = 5.0000000e+0\n";
  EXPECT_EQ(run.out.substr(0, cycles.size()), cycles);
  EXPECT_EQ(count(run.received, "BURST:NCYCLES?\n"), 1u);
  EXPECT_EQ(run.received.substr(run.received.size() - 5), "*WAI\n");
}

TEST(VelkarSlow, ReadGivesUpAfterSecondTimeout) {
  e2e::Responder mute = [answer = generator()](const std::string &line, int seen) {
    if (line == "BURST:NCYCLES?\n") return std::optional<std::string>();
    return answer(line, seen);
  };
  e2e::Run run = e2e::runSerial(kBin, kSlowArgs, mute);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(count(run.err, kFailure), 2u) << run.err;
  EXPECT_EQ(count(run.err, "The session TIMED OUT."), 2u) << run.err;
  const std::string end = "\nGiving up on viRead.                 \n\n";
  ASSERT_GE(run.err.size(), end.size());
  EXPECT_EQ(run.err.substr(run.err.size() - end.size()), end);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.received, ncycles("5"));
}

}  // namespace

#endif  // VELKAR_BIN
