// Tests of the simulated 33220A: SCPI parsing, reply formats, ranges and
// rules, the error queue and the status registers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "models.h"

namespace {

std::string repeat(const std::string &s, int n) {
  std::string r;
  for (int i = 0; i < n; ++i) r += s;
  return r;
}

std::string takeAll(sim::Instrument &m) {
  std::string r;
  char buf[256];
  while (std::size_t n = m.take(buf, sizeof buf)) r.append(buf, n);
  return r;
}

// Sends each line and reads its reply before the next, as a controller does.
std::string converse(sim::Instrument &m, const std::string &lines) {
  std::string replies;
  std::size_t start = 0;
  while (start < lines.size()) {
    std::size_t end = lines.find('\n', start);
    end = end == std::string::npos ? lines.size() : end + 1;
    m.receive(std::string_view(lines).substr(start, end - start));
    replies += takeAll(m);
    start = end;
  }
  return replies;
}

// Empties the error queue through SYST:ERR?, oldest first.
std::vector<int> errors(sim::Instrument &m) {
  std::vector<int> codes;
  for (int i = 0; i < 30; ++i) {
    m.receive("SYST:ERR?\n");
    const std::string r = takeAll(m);
    const int code = std::atoi(r.c_str());
    if (code == 0) {
      EXPECT_EQ(r, "+0,\"No error\"\n");
      break;
    }
    codes.push_back(code);
  }
  return codes;
}

struct Case {
  std::string input;     // lines sent from the default state
  std::string replies;   // every reply byte, in order
  std::vector<int> errs; // error queue afterwards, oldest first
  bool unread = false;   // sent in one piece, replies read only at the end
};

std::vector<int> overflowQueue() {
  std::vector<int> q(19, -113);
  q.push_back(-350);
  return q;
}

const Case kCases[] = {
    // Identification and the queries velkar reads, long and short forms.
    {"*IDN?\n", "Agilent Technologies,33220A,SIM0000001,1.00-sim\n", {}},
    {"FREQUENCY?\n", "+1.000000000000000E+03\n", {}},
    {"freq?\n:SOURce:FREQ?\nsour:frequency?\n",
     "+1.000000000000000E+03\n+1.000000000000000E+03\n+1.000000000000000E+03\n", {}},
    {"FUNCTION?\nFUNC?\n", "SIN\nSIN\n", {}},
    {"BURST:MODE?\n", "TRIG\n", {}},
    {"BURST:NCYCLES?\n", "+1.000000000000000E+00\n", {}},
    {"TRIGGER:SOURCE?\nTRIGGER:SLOPE?\n", "IMM\nPOS\n", {}},
    {"OUTPUT:TRIGGER?\nOUTPUT:TRIGGER:SLOPE?\n", "0\nPOS\n", {}},
    {"UNIT:ANGLE?\n", "DEG\n", {}},
    {"BURST:PHASE?\n", "+0.000000000000000E+00\n", {}},
    {"BURST:INTERNAL:PERIOD?\n", "+1.000000000000000E-02\n", {}},
    {"BURS:STAT?\nOUTPUT?\n", "0\n0\n", {}},
    // Settings read back; a near-miss of a mnemonic is not a mnemonic.
    {"FREQUENCY 2.5E3\nFREQ?\n", "+2.500000000000000E+03\n", {}},
    {"FREQU 2E3\nFREQ?\n", "+1.000000000000000E+03\n", {-113}},
    {"FUNC square\nFUNC?\nfunc PULSE\nFUNC?\n", "SQU\nPULS\n", {}},
    {"FUNC TRIANGLE\n", "", {-224}},
    {"BURST:NCYCLES 500\nBURST:NCYCLES?\n", "+5.000000000000000E+02\n", {}},
    {"BURST:NCYCLES INF\nBURST:NCYCLES?\n", "+9.900000000000000E+37\n", {}},
    {"BURS:NCYC infinity\nBURS:NCYC?\n", "+9.900000000000000E+37\n", {}},
    {"BURS:NCYC MAX\nBURS:NCYC?\nBURS:NCYC MIN\nBURS:NCYC?\n",
     "+5.000000000000000E+04\n+1.000000000000000E+00\n", {}},
    {"BURS:NCYC 2.5\nBURS:NCYC?\n", "+3.000000000000000E+00\n", {}},
    {"BURS:NCYC? MAX\n", "+5.000000000000000E+04\n", {}},
    {"BURST:MODE GATED\nBURST:MODE?\n", "GAT\n", {}},
    {"TRIGGER:SLOP NEG\nTRIGGER:SOURCE EXT\nTRIGGER:SOURCE?\nTRIGGER:SLOPE?\n", "EXT\nNEG\n", {}},
    {"TRIG:SOUR BUS\nTRIG:SOUR?\n", "BUS\n", {}},
    {"OUTPUT:TRIGGER ON\nOUTPUT:TRIGGER:SLOPE NEG\nOUTPUT:TRIGGER?\nOUTPUT:TRIGGER:SLOPE?\n",
     "1\nNEG\n", {}},
    {"OUTPUT ON\nOUTPUT?\nOUTP 0\nOUTP?\n", "1\n0\n", {}},
    {"BURS:STAT ON\nBURS:STAT?\n", "1\n", {}},
    {"BURST:INTERNAL:PERIOD 2.5\nBURST:INTERNAL:PERIOD?\n", "+2.500000000000000E+00\n", {}},
    {"BURS:INT:PER MAX\nBURS:INT:PER?\n", "+5.000000000000000E+02\n", {}},
    {"BURST:PHASE -360\nBURST:PHASE?\n", "-3.600000000000000E+02\n", {}},
    {"BURS:PHAS MAX\nBURS:PHAS?\n", "+3.600000000000000E+02\n", {}},
    {"UNIT:ANGLE RAD\nUNIT:ANGLE?\nBURST:PHASE 3.141593E+00\nBURST:PHASE?\n",
     "RAD\n+3.141593000000000E+00\n", {}},
    {"BURS:PHAS 90\nUNIT:ANGL RAD\nBURS:PHAS?\n", "+1.570796326794897E+00\n", {}},
    {"UNIT:ANGL RAD\nBURS:PHAS MIN\nBURS:PHAS?\n", "-6.283185307179586E+00\n", {}},
    // Several units in one line: replies joined by ';', and a header without
    // a leading ':' continues at the path of the one before it.
    {"FREQ?;FUNC?\n", "+1.000000000000000E+03;SIN\n", {}},
    {"TRIG:SLOP NEG;SOUR EXT;SOUR?;SLOP?\n", "EXT;NEG\n", {}},
    {"BURS:NCYC 7;:BURS:NCYC?;:TRIG:SOUR?\n", "+7.000000000000000E+00;IMM\n", {}},
    {"TRIGGER:SLOP POS;TRIGGER:SOURCE EXT\n", "", {-113}},
    {"BURS:MODE GAT;*OPC?;MODE?\n", "1;GAT\n", {}},
    {"FREQ?;;FUNC?\n", "+1.000000000000000E+03;SIN\n", {-102}},
    // Out of range, illegal values, unknown headers, parameter counts.
    {"FREQ 25E6\nFREQ?\n", "+1.000000000000000E+03\n", {-222}},
    {"FREQ MAX\nFREQ?\nFREQ MIN\nFREQ?\n", "+2.000000000000000E+07\n+1.000000000000000E-06\n", {}},
    {"FUNC RAMP\nFREQ 300E3\nFREQ? MAX\n", "+2.000000000000000E+05\n", {-222}},
    {"FREQ INF\nFREQ 1KHZ\nFREQ 0x10\nFREQ 1E999\n", "", {-224, -224, -224, -224}},
    {"BURS:NCYC 50001\nBURS:NCYC 0\nBURS:NCYC 10abc\nBURS:NCYC?\n", "+1.000000000000000E+00\n",
     {-222, -222, -224}},
    {"BURS:INT:PER 501\nBURS:INT:PER 0.5E-6\n", "", {-222, -222}},
    {"BURS:PHAS 360.5\nUNIT:ANGL RAD\nBURS:PHAS 6.3\nBURS:PHAS?\n", "+0.000000000000000E+00\n",
     {-222, -222}},
    {"TRIG:SOUR INT\nTRIG:SLOP UP\nOUTP MAYBE\nUNIT:ANGL GRAD\nBURS:MODE CONT\n", "",
     {-224, -224, -224, -224, -224}},
    {"FOO\nBURS:FOO 1\n*FOO\nSYST:ERR\n*IDN\nOUTP:TRIG:SLOP\n", "",
     {-113, -113, -113, -113, -113, -109}},
    {"FREQ\nFREQ 1,2\nFUNC? SIN\n", "", {-109, -108, -108}},
    {"BURS:NCYC 5!\nFREQ 1E3 2E3\n", "", {-224, -224}},
    // Functions and modulations: switching one on switches the others off;
    // PWM only with pulses, but switching it off is always accepted.
    {"PWM:STAT OFF\nPWM:STAT ON\nPWM:STAT?\n", "0\n", {-221}},
    {"FUNC PULS\nPWM:STAT ON\nPWM:STAT?\n", "1\n", {}},
    {"AM:STAT ON\nFM:STAT ON\nBURS:STAT ON\nAM:STAT?;:FM:STAT?;:BURS:STAT?\n", "0;0;1\n", {}},
    {"FSKey:STAT ON\nSWE:STAT ON\nFSK:STAT?;:SWE:STAT?\n", "0;1\n", {}},
    {"FREQ 1E6\nFUNC RAMP\nFREQ?\n", "+2.000000000000000E+05\n", {-221}},
    {"AM:STAT ON\nFUNC PULS\nAM:STAT?\n", "0\n", {-221}},
    {"FUNC DC\nBURS:STAT ON\nBURS:STAT?\n", "0\n", {-221}},
    {"FUNC NOIS\nBURS:STAT ON\nBURS:MODE GAT\nBURS:STAT ON\nBURS:STAT?\n", "1\n", {-221}},
    // Sine and square above 6 MHz: only an infinite count in triggered burst.
    {"FREQ 7E6\nBURS:STAT ON\nBURS:STAT?\n", "0\n", {-221}},
    {"FREQ 6E6\nBURS:STAT ON\nBURS:STAT?\n", "1\n", {}},
    {"FREQ 7E6\nBURS:NCYC INF\nBURS:STAT ON\nBURS:STAT?\n", "1\n", {}},
    {"BURS:STAT ON\nFREQ 7E6\nFREQ?\n", "+1.000000000000000E+03\n", {-221}},
    {"FUNC RAMP\nFREQ 150E3\nFUNC SQU\nFREQ 7E6\nBURS:MODE GAT\nBURS:STAT ON\nBURS:STAT?\n",
     "1\n", {}},
    // Internal triggering ties the period to count / frequency + 200 ns: a
    // short period is raised to the least that fits.
    {"BURS:NCYC 100\nBURS:INT:PER 0.05\nBURS:INT:PER?\n", "+1.000002000000000E-01\n", {-222}},
    {"BURS:NCYC 100\nBURS:INT:PER 0.2\nBURS:INT:PER?\n", "+2.000000000000000E-01\n", {}},
    {"BURS:NCYC 100\nBURS:STAT ON\nBURS:INT:PER?\n", "+1.000002000000000E-01\n", {-221}},
    {"BURS:NCYC 100\nBURS:INT:PER MIN\nBURS:INT:PER?\n", "+1.000002000000000E-01\n", {}},
    {"TRIG:SOUR EXT\nBURS:NCYC 100\nBURS:INT:PER 0.05\nBURS:INT:PER?\n",
     "+5.000000000000000E-02\n", {}},
    {"BURS:NCYC INF\nBURS:INT:PER 1E-6\nBURS:INT:PER?\n", "+1.000000000000000E-06\n", {}},
    {"BURS:NCYC 50000\nFREQ 1E-3\nBURS:STAT ON\nBURS:STAT?\n", "0\n", {-221}},
    // Common commands.
    {"*OPC?\n*WAI\n*TST?\n", "1\n+0\n", {}},
    {"FREQ 5E3;*RST;FREQ?\n", "+1.000000000000000E+03\n", {}},
    // A reply left unread is thrown away by the next message.
    {"FREQ?\nFUNC?\n", "SIN\n", {-410}, true},
    // The queue holds 20: on overflow the newest becomes -350.
    {repeat("FOO\n", 25), "", overflowQueue()},
    // An overlong line is dropped whole; the next one is understood.
    {repeat("A", 70000) + "\nFUNC?\n", "SIN\n", {-363}},
};

TEST(A33220a, CommandTable) {
  for (const Case &c : kCases) {
    const std::string label = c.input.substr(0, 200);
    sim::A33220a m;
    std::string replies;
    if (c.unread) {
      m.receive(c.input);
      replies = takeAll(m);
    } else {
      replies = converse(m, c.input);
    }
    EXPECT_EQ(replies, c.replies) << "input: " << label;
    EXPECT_EQ(errors(m), c.errs) << "input: " << label;
  }
}

// The lines velkar sends, each query read before the next command.
struct VelkarRun {
  std::vector<std::string> startup;
  std::string ncycles, trigger, trigout, unit, phase, period;
};

std::string velkarLines(const VelkarRun &r) {
  std::string s =
      "OUTPUT OFF\nAM:STAT OFF\nFM:STAT OFF\nPM:STAT OFF\nFSK:STAT OFF\nPWM:STAT OFF\n"
      "SWE:STAT OFF\nBURS:STAT OFF\nPWM:STAT OFF\nBURST:MODE TRIG\nFREQUENCY?\nFUNCTION?\n"
      "FUNC?\nBURST:MODE?\n";
  s += "BURST:NCYCLES " + r.ncycles + "\nBURST:NCYCLES?\n";
  s += r.trigger + "TRIGGER:SOURCE?\n";
  if (r.trigger.find("EXT") != std::string::npos) s += "TRIGGER:SLOPE?\n";
  s += r.trigout + "OUTPUT:TRIGGER?\n";
  if (r.trigout.find(" ON") != std::string::npos) s += "OUTPUT:TRIGGER:SLOPE?\n";
  s += "UNIT:ANGLE " + r.unit + "\nUNIT:ANGLE?\n";
  s += "BURST:PHASE " + r.phase + "\nBURST:PHASE?\n";
  if (!r.period.empty()) s += "BURST:INTERNAL:PERIOD " + r.period + "\nBURST:INTERNAL:PERIOD?\n";
  s += "BURS:STAT ON\nBURS:STAT?\nOUTPUT ON\nOUTPUT?\n*WAI\n";
  return s;
}

TEST(A33220a, VelkarRunsLeaveNoError) {
  const VelkarRun kRuns[] = {
      {{}, "5", "TRIGGER:SOURCE IMM\n", "OUTPUT:TRIGGER OFF\n", "DEG", "0", "10E-3"},
      {{}, "100", "TRIGGER:SOURCE IMM\n", "OUTPUT:TRIGGER OFF\n", "DEG", "90", "0.2"},
      {{}, "MAX", "TRIGGER:SLOP POS\nTRIGGER:SOURCE EXT\n",
       "OUTPUT:TRIGGER ON\nOUTPUT:TRIGGER:SLOPE POS\n", "DEG", "-360", ""},
      {{}, "INF", "TRIGGER:SLOP NEG\nTRIGGER:SOURCE EXT\n",
       "OUTPUT:TRIGGER ON\nOUTPUT:TRIGGER:SLOPE NEG\n", "RAD", "6.283185E+00", ""},
      {{}, "MIN", "TRIGGER:SOURCE BUS\n", "OUTPUT:TRIGGER OFF\n", "RAD", "MAX", ""},
      {{"FREQ=7E6", "FUNC=SIN"}, "INF", "TRIGGER:SOURCE IMM\n", "OUTPUT:TRIGGER OFF\n", "DEG",
       "MIN", "MAX"},
      {{"FREQ=7E6", "FUNC=SQU"}, "INF", "TRIGGER:SOURCE IMM\n", "OUTPUT:TRIGGER OFF\n", "DEG",
       "0", "1E-6"},
      {{"FUNC=RAMP", "FREQ=100"}, "2.5", "TRIGGER:SOURCE IMM\n", "OUTPUT:TRIGGER OFF\n", "DEG",
       "0", "MIN"},
  };
  for (const VelkarRun &r : kRuns) {
    std::string why;
    std::unique_ptr<sim::Instrument> m = sim::make("33220A", r.startup, &why);
    ASSERT_TRUE(m) << why;
    const std::string lines = velkarLines(r);
    const std::string replies = converse(*m, lines);
    EXPECT_EQ(errors(*m), std::vector<int>{}) << lines;
    // The run ends with burst and output on.
    EXPECT_EQ(replies.substr(replies.size() - 4), "1\n1\n") << replies;
  }
}

TEST(A33220a, StatusByteAndRegisters) {
  sim::A33220a m;
  EXPECT_TRUE(m.hasStatusByte());
  EXPECT_EQ(m.statusByte(), 0);

  m.receive("FREQ?\n");
  EXPECT_EQ(m.statusByte(), 0x10) << "MAV while a reply is pending";
  takeAll(m);
  EXPECT_EQ(m.statusByte(), 0);

  m.readEmpty();  // a read with nothing to read: -420, error queue bit
  EXPECT_EQ(m.statusByte(), 0x04);
  m.receive("*ESE 4\n");  // query error bit enabled: ESB
  EXPECT_EQ(m.statusByte(), 0x24);
  m.receive("*SRE 32\n");  // ESB enabled for service: MSS
  EXPECT_EQ(m.statusByte(), 0x64);
  EXPECT_EQ(converse(m, "*SRE?;*ESE?\n*STB?\n"), "+32;+4\n+100\n");

  EXPECT_EQ(converse(m, "*ESR?\n*ESR?\n"), "+4\n+0\n") << "*ESR? reads and clears";
  EXPECT_EQ(m.statusByte(), 0x04);
  m.receive("*CLS\n");
  EXPECT_EQ(m.statusByte(), 0);
  EXPECT_EQ(errors(m), std::vector<int>{});

  // *RST changes no status register; *OPC sets operation complete.
  converse(m, "FOO\n*RST\n*OPC\n");
  EXPECT_EQ(converse(m, "*ESR?\n"), "+33\n");
  EXPECT_EQ(errors(m), std::vector<int>{-113});
}

TEST(A33220a, ResetRestoresDefaults) {
  sim::A33220a m;
  const std::string query =
      "FUNC?;FREQ?;:OUTP?;:BURS:STAT?;NCYC?;INT:PER?;:BURS:PHAS?;MODE?;:TRIG:SOUR?;SLOP?;"
      ":OUTP:TRIG?;TRIG:SLOP?;:UNIT:ANGL?\n";
  const std::string defaults = converse(m, query);
  EXPECT_EQ(defaults,
            "SIN;+1.000000000000000E+03;0;0;+1.000000000000000E+00;+1.000000000000000E-02;"
            "+0.000000000000000E+00;TRIG;IMM;POS;0;POS;DEG\n");
  converse(m,
           "FUNC SQU\nFREQ 5E3\nOUTP ON\nBURS:NCYC 9\nBURS:INT:PER 1\nBURS:PHAS 45\n"
           "BURS:MODE GAT\nBURS:STAT ON\nTRIG:SOUR EXT\nTRIG:SLOP NEG\nOUTP:TRIG ON\n"
           "OUTP:TRIG:SLOP NEG\nUNIT:ANGL RAD\n");
  ASSERT_EQ(errors(m), std::vector<int>{});
  ASSERT_NE(converse(m, query), defaults);
  m.receive("*RST\n");
  EXPECT_EQ(converse(m, query), defaults);
}

TEST(A33220a, FramingAndDeviceClear) {
  sim::A33220a m;
  // Bytes in any split make the same message; CR before LF is white space.
  for (char c : std::string("BURS:NCYC 12\r\nBURS:NCYC?\r\n")) m.receive(std::string(1, c));
  EXPECT_EQ(takeAll(m), "+1.200000000000000E+01\n");

  // Device clear drops a partial message and an unread reply, not errors.
  m.receive("FOO\nFREQ?\nOUTP O");
  m.deviceClear();
  EXPECT_EQ(m.pending(), 0u);
  m.receive("N\nOUTP?\n");
  EXPECT_EQ(takeAll(m), "0\n");
  EXPECT_EQ(errors(m), (std::vector<int>{-113, -113}));
}

TEST(A33220a, TakeHonoursItsLimit) {
  sim::A33220a m;
  m.receive("FREQ?\n");
  char buf[8] = {};
  ASSERT_EQ(m.take(buf, 4), 4u);
  EXPECT_EQ(std::string(buf, 4), "+1.0");
  EXPECT_EQ(m.pending(), 19u);
  EXPECT_EQ(takeAll(m), "00000000000000E+03\n");
}

}  // namespace
