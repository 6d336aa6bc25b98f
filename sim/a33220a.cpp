// a33220a.cpp - the simulated 33220A: a command table over the small SCPI
// parser, the generator's ranges and rules, an error queue and the IEEE 488.2
// status registers.
#include <cmath>
#include <cstdio>
#include <optional>

#include "models.h"
#include "scpi.h"

namespace sim {
namespace {

using Function = A33220a::Function;
using Modulation = A33220a::Modulation;
using State = A33220a::State;
using Params = std::vector<std::string>;

constexpr double kPi = 3.14159265358979323846;

// ---- Errors -------------------------------------------------------------

struct ErrorInfo {
  int code;
  const char *text;
};
constexpr ErrorInfo kErrors[] = {
    {-102, "Syntax error"},
    {-108, "Parameter not allowed"},
    {-109, "Missing parameter"},
    {-113, "Undefined header"},
    {-221, "Settings conflict"},
    {-222, "Data out of range"},
    {-224, "Illegal parameter value"},
    {-350, "Queue overflow"},
    {-363, "Input buffer overrun"},
    {-410, "Query INTERRUPTED"},
    {-420, "Query UNTERMINATED"},
};
constexpr std::size_t kErrorQueueSize = 20;

const char *errorText(int code) {
  for (const ErrorInfo &e : kErrors)
    if (e.code == code) return e.text;
  return "Unknown error";
}

// Standard event status register bits (IEEE 488.2).
constexpr std::uint8_t kEsrOpc = 0x01;
constexpr std::uint8_t kEsrQye = 0x04;
constexpr std::uint8_t kEsrDde = 0x08;
constexpr std::uint8_t kEsrExe = 0x10;
constexpr std::uint8_t kEsrCme = 0x20;
// Status byte bits.
constexpr std::uint8_t kStbErrorQueue = 0x04;
constexpr std::uint8_t kStbMav = 0x10;
constexpr std::uint8_t kStbEsb = 0x20;
constexpr std::uint8_t kStbMss = 0x40;

// Longest program message kept; the rest of a longer line is dropped and
// "Input buffer overrun" queued.
constexpr std::size_t kMaxMessage = 65536;

// ---- Functions, modulations and ranges ------------------------------------

constexpr unsigned bit(Modulation m) { return 1u << static_cast<unsigned>(m); }
constexpr unsigned kCarrier = bit(Modulation::Am) | bit(Modulation::Fm) |
                              bit(Modulation::Pm) | bit(Modulation::Fsk) |
                              bit(Modulation::Swe) | bit(Modulation::Burst);

struct FunctionInfo {
  const char *pattern;  // mnemonic accepted by FUNC
  Function function;
  const char *reply;    // FUNC? reply
  double minFrequency;
  double maxFrequency;  // noise and DC have no frequency: the setting is
                        // kept within the sine range for later use
  unsigned modulations; // modulations and burst this function allows
};
constexpr FunctionInfo kFunctions[] = {
    {"SINusoid", Function::Sin, "SIN", 1e-6, 20e6, kCarrier},
    {"SQUare", Function::Squ, "SQU", 1e-6, 20e6, kCarrier},
    {"RAMP", Function::Ramp, "RAMP", 1e-6, 200e3, kCarrier},
    {"PULSe", Function::Puls, "PULS", 1e-6, 5e6,
     bit(Modulation::Pwm) | bit(Modulation::Burst)},
    {"NOISe", Function::Nois, "NOIS", 1e-6, 20e6, bit(Modulation::Burst)},
    {"DC", Function::Dc, "DC", 1e-6, 20e6, 0},
    {"USER", Function::User, "USER", 1e-6, 6e6, kCarrier},
};

const FunctionInfo &functionInfo(Function f) {
  for (const FunctionInfo &i : kFunctions)
    if (i.function == f) return i;
  return kFunctions[0];
}

const char *const kModulationNames[] = {"AM", "FM", "PM", "FSK", "PWM", "SWE", "BURS"};

// Burst limits.
constexpr double kMinCount = 1;
constexpr double kMaxCount = 50000;
constexpr double kMinPeriod = 1e-6;
constexpr double kMaxPeriod = 500;
constexpr double kDefaultPeriod = 10e-3;
constexpr double kPeriodMargin = 200e-9;
// Above this frequency sine and square allow only an infinite count in
// triggered burst.
constexpr double kFiniteBurstMaxFrequency = 6e6;

// With internal triggering a finite triggered burst repeats every period, so
// the period must hold count / frequency plus the margin.
bool periodTied(const State &s) {
  return s.trigSource == A33220a::TrigSource::Imm &&
         s.burstMode == A33220a::BurstMode::Trig && !s.infiniteCount;
}
double leastPeriod(const State &s) { return s.count / s.frequency + kPeriodMargin; }

// What the generator does with a burst period too short for the count and
// frequency. The generator's documentation says it raises the period to the
// least that fits and reports the given error; set to false to refuse the
// setting (state unchanged) with the same error instead.
constexpr bool kRaiseShortPeriod = true;

// Applies the period rule to a state about to be taken. Returns false when
// the change is refused (an error is queued either way).
bool fitPeriod(A33220a &m, State &next, int code) {
  if (!periodTied(next) || next.period >= leastPeriod(next)) return true;
  m.error(code);
  if (!kRaiseShortPeriod || leastPeriod(next) > kMaxPeriod) return false;
  next.period = leastPeriod(next);
  return true;
}

bool allowed(Modulation mod, const State &s) {
  if (!(functionInfo(s.function).modulations & bit(mod))) return false;
  // Noise can only be gated.
  if (mod == Modulation::Burst && s.function == Function::Nois &&
      s.burstMode != A33220a::BurstMode::Gat)
    return false;
  return true;
}

bool &modulation(State &s, Modulation m) { return s.modulation[static_cast<int>(m)]; }

// The rules that hold while burst is on. Count, frequency, function, trigger
// source and mode changes pass through here; while burst is off they are
// taken as they come, and the rules are checked when burst is switched on.
// Returns false (with -221 queued) when the change is refused.
bool admit(A33220a &m, State &next) {
  if (!modulation(next, Modulation::Burst)) return true;
  if (!allowed(Modulation::Burst, next)) {
    m.error(-221);
    return false;
  }
  if (next.burstMode == A33220a::BurstMode::Trig && !next.infiniteCount &&
      (next.function == Function::Sin || next.function == Function::Squ) &&
      next.frequency > kFiniteBurstMaxFrequency) {
    m.error(-221);
    return false;
  }
  return fitPeriod(m, next, -221);
}

// ---- Parameter helpers ----------------------------------------------------

struct Limits {
  double min, max, def;
};

// A numeric setting's value: keywords resolved, range checked. Queues -224
// (INF where it has no meaning) or -222 (out of range) and returns false.
bool resolve(A33220a &m, const scpi::Numeric &n, const Limits &l, double *v) {
  switch (n.kind) {
    case scpi::Numeric::Min: *v = l.min; return true;
    case scpi::Numeric::Max: *v = l.max; return true;
    case scpi::Numeric::Def: *v = l.def; return true;
    case scpi::Numeric::Inf: m.error(-224); return false;
    case scpi::Numeric::Value: break;
  }
  if (!(n.value >= l.min && n.value <= l.max)) {
    m.error(-222);
    return false;
  }
  *v = n.value;
  return true;
}

// The same for a parameter text; -224 when it is not numeric.
bool numericValue(A33220a &m, const std::string &text, const Limits &l, double *v) {
  scpi::Numeric n;
  if (!scpi::parseNumeric(text, &n)) {
    m.error(-224);
    return false;
  }
  return resolve(m, n, l, v);
}

// A numeric query: the present value, or a limit for "? MIN" / "? MAX".
std::optional<std::string> numericQuery(A33220a &m, const Params &p, const Limits &l,
                                        double current) {
  if (p.empty()) return scpi::nr3(current);
  scpi::Numeric n;
  if (scpi::parseNumeric(p[0], &n)) {
    if (n.kind == scpi::Numeric::Min) return scpi::nr3(l.min);
    if (n.kind == scpi::Numeric::Max) return scpi::nr3(l.max);
  }
  m.error(-224);
  return std::nullopt;
}

struct Choice {
  const char *pattern;
  int value;
  const char *reply;
};

// Looks a keyword parameter up in a list of choices; -224 when absent.
template <std::size_t N>
const Choice *choose(A33220a &m, const std::string &text, const Choice (&list)[N]) {
  for (const Choice &c : list)
    if (scpi::matchMnemonic(c.pattern, text)) return &c;
  m.error(-224);
  return nullptr;
}

template <std::size_t N>
const char *replyFor(int value, const Choice (&list)[N]) {
  for (const Choice &c : list)
    if (c.value == value) return c.reply;
  return list[0].reply;
}

bool boolParam(A33220a &m, const std::string &text, bool *v) {
  if (scpi::parseBool(text, v)) return true;
  m.error(-224);
  return false;
}

std::string boolReply(bool v) { return v ? "1" : "0"; }
std::string nr1(int v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%+d", v);
  return buf;
}

constexpr Choice kBurstModes[] = {
    {"TRIGgered", static_cast<int>(A33220a::BurstMode::Trig), "TRIG"},
    {"GATed", static_cast<int>(A33220a::BurstMode::Gat), "GAT"},
};
constexpr Choice kSources[] = {
    {"IMMediate", static_cast<int>(A33220a::TrigSource::Imm), "IMM"},
    {"EXTernal", static_cast<int>(A33220a::TrigSource::Ext), "EXT"},
    {"BUS", static_cast<int>(A33220a::TrigSource::Bus), "BUS"},
};
constexpr Choice kSlopes[] = {
    {"POSitive", 1, "POS"},
    {"NEGative", 0, "NEG"},
};
constexpr Choice kUnits[] = {
    {"DEGree", 0, "DEG"},
    {"RADian", 1, "RAD"},
};

Limits frequencyLimits(const State &s) {
  const FunctionInfo &f = functionInfo(s.function);
  return {f.minFrequency, f.maxFrequency, 1e3};
}
constexpr Limits kCountLimits{kMinCount, kMaxCount, 1};
Limits phaseLimits(const State &s) {
  const double max = s.radians ? 2 * kPi : 360;
  return {-max, max, 0};
}
constexpr Limits kPeriodLimits{kMinPeriod, kMaxPeriod, kDefaultPeriod};
// The least period MIN selects: the least one that fits the count and
// frequency.
double minPeriod(const State &s) {
  return periodTied(s) ? std::fmax(kMinPeriod, leastPeriod(s)) : kMinPeriod;
}

// ---- Command handlers ------------------------------------------------------
// A set handler gets the parameters (their number already checked) and the
// row's argument; a query handler returns the reply, or nothing after
// queueing an error.

using SetFn = void (*)(A33220a &, const Params &, int);
using QueryFn = std::optional<std::string> (*)(A33220a &, const Params &, int);

void setFunction(A33220a &m, const Params &p, int) {
  const FunctionInfo *info = nullptr;
  for (const FunctionInfo &f : kFunctions)
    if (scpi::matchMnemonic(f.pattern, p[0])) info = &f;
  if (!info) {
    m.error(-224);
    return;
  }
  State next = m.state();
  next.function = info->function;
  bool conflict = false;
  if (next.frequency > info->maxFrequency) {
    next.frequency = info->maxFrequency;
    conflict = true;
  }
  for (int i = 0; i < static_cast<int>(Modulation::Count); ++i) {
    const auto mod = static_cast<Modulation>(i);
    if (mod != Modulation::Burst && next.modulation[i] && !allowed(mod, next)) {
      next.modulation[i] = false;
      conflict = true;
    }
  }
  if (!admit(m, next)) return;
  if (conflict) m.error(-221);
  m.state() = next;
}
std::optional<std::string> queryFunction(A33220a &m, const Params &, int) {
  return std::string(functionInfo(m.state().function).reply);
}

void setFrequency(A33220a &m, const Params &p, int) {
  State next = m.state();
  if (!numericValue(m, p[0], frequencyLimits(next), &next.frequency)) return;
  if (admit(m, next)) m.state() = next;
}
std::optional<std::string> queryFrequency(A33220a &m, const Params &p, int) {
  return numericQuery(m, p, frequencyLimits(m.state()), m.state().frequency);
}

void setOutput(A33220a &m, const Params &p, int) {
  boolParam(m, p[0], &m.state().output);
}
std::optional<std::string> queryOutput(A33220a &m, const Params &, int) {
  return boolReply(m.state().output);
}

// Switching one modulation (or sweep, or burst) on switches the others off.
// Switching off is always accepted, whatever the function.
void setModulation(A33220a &m, const Params &p, int which) {
  bool on = false;
  if (!boolParam(m, p[0], &on)) return;
  State next = m.state();
  const auto mod = static_cast<Modulation>(which);
  if (on) {
    if (!allowed(mod, next)) {
      m.error(-221);
      return;
    }
    for (bool &b : next.modulation) b = false;
  }
  modulation(next, mod) = on;
  if (admit(m, next)) m.state() = next;
}
std::optional<std::string> queryModulation(A33220a &m, const Params &, int which) {
  return boolReply(modulation(m.state(), static_cast<Modulation>(which)));
}

void setBurstMode(A33220a &m, const Params &p, int) {
  const Choice *c = choose(m, p[0], kBurstModes);
  if (!c) return;
  State next = m.state();
  next.burstMode = static_cast<A33220a::BurstMode>(c->value);
  if (admit(m, next)) m.state() = next;
}
std::optional<std::string> queryBurstMode(A33220a &m, const Params &, int) {
  return std::string(replyFor(static_cast<int>(m.state().burstMode), kBurstModes));
}

// Counts are whole: a fraction is rounded to the nearest one.
void setCount(A33220a &m, const Params &p, int) {
  State next = m.state();
  scpi::Numeric n;
  if (!scpi::parseNumeric(p[0], &n)) {
    m.error(-224);
    return;
  }
  if (n.kind == scpi::Numeric::Inf) {
    next.infiniteCount = true;
  } else {
    n.value = std::round(n.value);
    if (!resolve(m, n, kCountLimits, &next.count)) return;
    next.infiniteCount = false;
  }
  if (admit(m, next)) m.state() = next;
}
std::optional<std::string> queryCount(A33220a &m, const Params &p, int) {
  const State &s = m.state();
  return numericQuery(m, p, kCountLimits, s.infiniteCount ? scpi::kInfinity : s.count);
}

void setPeriod(A33220a &m, const Params &p, int) {
  State next = m.state();
  scpi::Numeric n;
  if (!scpi::parseNumeric(p[0], &n)) {
    m.error(-224);
    return;
  }
  if (n.kind == scpi::Numeric::Min) {
    next.period = minPeriod(next);
  } else if (!resolve(m, n, kPeriodLimits, &next.period)) {
    return;
  }
  if (fitPeriod(m, next, -222)) m.state() = next;
}
std::optional<std::string> queryPeriod(A33220a &m, const Params &p, int) {
  const State &s = m.state();
  return numericQuery(m, p, Limits{minPeriod(s), kMaxPeriod, kDefaultPeriod}, s.period);
}

// The phase is held in degrees and shown in the unit chosen by UNIT:ANGL.
void setPhase(A33220a &m, const Params &p, int) {
  double v = 0;
  if (!numericValue(m, p[0], phaseLimits(m.state()), &v)) return;
  m.state().phaseDeg = m.state().radians ? v * 180 / kPi : v;
}
std::optional<std::string> queryPhase(A33220a &m, const Params &p, int) {
  const State &s = m.state();
  return numericQuery(m, p, phaseLimits(s), s.radians ? s.phaseDeg * kPi / 180 : s.phaseDeg);
}

void setTrigSource(A33220a &m, const Params &p, int) {
  const Choice *c = choose(m, p[0], kSources);
  if (!c) return;
  State next = m.state();
  next.trigSource = static_cast<A33220a::TrigSource>(c->value);
  if (admit(m, next)) m.state() = next;
}
std::optional<std::string> queryTrigSource(A33220a &m, const Params &, int) {
  return std::string(replyFor(static_cast<int>(m.state().trigSource), kSources));
}

void setTrigSlope(A33220a &m, const Params &p, int) {
  if (const Choice *c = choose(m, p[0], kSlopes)) m.state().trigSlopePos = c->value != 0;
}
std::optional<std::string> queryTrigSlope(A33220a &m, const Params &, int) {
  return std::string(replyFor(m.state().trigSlopePos ? 1 : 0, kSlopes));
}

void setTrigOut(A33220a &m, const Params &p, int) {
  boolParam(m, p[0], &m.state().trigOut);
}
std::optional<std::string> queryTrigOut(A33220a &m, const Params &, int) {
  return boolReply(m.state().trigOut);
}

void setTrigOutSlope(A33220a &m, const Params &p, int) {
  if (const Choice *c = choose(m, p[0], kSlopes)) m.state().trigOutSlopePos = c->value != 0;
}
std::optional<std::string> queryTrigOutSlope(A33220a &m, const Params &, int) {
  return std::string(replyFor(m.state().trigOutSlopePos ? 1 : 0, kSlopes));
}

void setUnit(A33220a &m, const Params &p, int) {
  if (const Choice *c = choose(m, p[0], kUnits)) m.state().radians = c->value != 0;
}
std::optional<std::string> queryUnit(A33220a &m, const Params &, int) {
  return std::string(replyFor(m.state().radians ? 1 : 0, kUnits));
}

void doNothing(A33220a &, const Params &, int) {}

std::optional<std::string> queryError(A33220a &m, const Params &, int) {
  return m.popError();
}
std::optional<std::string> queryVersion(A33220a &, const Params &, int) {
  return std::string("1999.0");
}

std::optional<std::string> queryIdn(A33220a &, const Params &, int) {
  return std::string("Agilent Technologies,33220A,SIM0000001,1.00-sim");
}
void doReset(A33220a &m, const Params &, int) { m.reset(); }
void doClear(A33220a &m, const Params &, int) { m.clearStatus(); }
std::optional<std::string> queryStb(A33220a &m, const Params &, int) {
  return nr1(m.statusByte());
}
std::optional<std::string> queryEsr(A33220a &m, const Params &, int) {
  const int v = m.eventStatus();
  m.eventStatus() = 0;
  return nr1(v);
}
// *ESE and *SRE: the register selected by the row's argument.
std::uint8_t &enableRegister(A33220a &m, int which) {
  return which == 0 ? m.eventEnable() : m.serviceEnable();
}
void setEnable(A33220a &m, const Params &p, int which) {
  double v = 0;
  if (numericValue(m, p[0], Limits{0, 255, 0}, &v))
    enableRegister(m, which) = static_cast<std::uint8_t>(std::lround(v));
}
std::optional<std::string> queryEnable(A33220a &m, const Params &, int which) {
  return nr1(enableRegister(m, which));
}
void doOpc(A33220a &m, const Params &, int) { m.eventStatus() |= kEsrOpc; }
std::optional<std::string> queryOpc(A33220a &, const Params &, int) {
  return std::string("1");
}
std::optional<std::string> queryTst(A33220a &, const Params &, int) {
  return std::string("+0");
}

// ---- The command table -----------------------------------------------------
// Header pattern -> handlers. A missing set handler makes the header
// query-only and a missing query handler command-only. setParams is the
// number of parameters the command takes; queryParams the most a query takes
// (1 where "? MIN" and "? MAX" are understood).

struct Command {
  const char *pattern;
  SetFn set;
  int setParams;
  QueryFn query;
  int queryParams;
  int arg;
};

constexpr int kMod(Modulation m) { return static_cast<int>(m); }

constexpr Command kCommands[] = {
    {"*IDN", nullptr, 0, queryIdn, 0, 0},
    {"*RST", doReset, 0, nullptr, 0, 0},
    {"*CLS", doClear, 0, nullptr, 0, 0},
    {"*STB", nullptr, 0, queryStb, 0, 0},
    {"*ESR", nullptr, 0, queryEsr, 0, 0},
    {"*ESE", setEnable, 1, queryEnable, 0, 0},
    {"*SRE", setEnable, 1, queryEnable, 0, 1},
    {"*OPC", doOpc, 0, queryOpc, 0, 0},
    {"*WAI", doNothing, 0, nullptr, 0, 0},
    {"*TRG", doNothing, 0, nullptr, 0, 0},
    {"*TST", nullptr, 0, queryTst, 0, 0},
    {"SYSTem:ERRor[:NEXT]", nullptr, 0, queryError, 0, 0},
    {"SYSTem:VERSion", nullptr, 0, queryVersion, 0, 0},
    {"[SOURce:]FREQuency", setFrequency, 1, queryFrequency, 1, 0},
    {"[SOURce:]FUNCtion", setFunction, 1, queryFunction, 0, 0},
    {"OUTPut[:STATe]", setOutput, 1, queryOutput, 0, 0},
    {"OUTPut:TRIGger", setTrigOut, 1, queryTrigOut, 0, 0},
    {"OUTPut:TRIGger:SLOPe", setTrigOutSlope, 1, queryTrigOutSlope, 0, 0},
    {"[SOURce:]AM:STATe", setModulation, 1, queryModulation, 0, kMod(Modulation::Am)},
    {"[SOURce:]FM:STATe", setModulation, 1, queryModulation, 0, kMod(Modulation::Fm)},
    {"[SOURce:]PM:STATe", setModulation, 1, queryModulation, 0, kMod(Modulation::Pm)},
    {"[SOURce:]FSKey:STATe", setModulation, 1, queryModulation, 0, kMod(Modulation::Fsk)},
    {"[SOURce:]PWM:STATe", setModulation, 1, queryModulation, 0, kMod(Modulation::Pwm)},
    {"[SOURce:]SWEep:STATe", setModulation, 1, queryModulation, 0, kMod(Modulation::Swe)},
    {"[SOURce:]BURSt:STATe", setModulation, 1, queryModulation, 0, kMod(Modulation::Burst)},
    {"[SOURce:]BURSt:MODE", setBurstMode, 1, queryBurstMode, 0, 0},
    {"[SOURce:]BURSt:NCYCles", setCount, 1, queryCount, 1, 0},
    {"[SOURce:]BURSt:INTernal:PERiod", setPeriod, 1, queryPeriod, 1, 0},
    {"[SOURce:]BURSt:PHASe", setPhase, 1, queryPhase, 1, 0},
    {"TRIGger[:IMMediate]", doNothing, 0, nullptr, 0, 0},
    {"TRIGger:SOURce", setTrigSource, 1, queryTrigSource, 0, 0},
    {"TRIGger:SLOPe", setTrigSlope, 1, queryTrigSlope, 0, 0},
    {"UNIT:ANGLe", setUnit, 1, queryUnit, 0, 0},
};

bool commonMatches(const char *pattern, const std::string &name) {
  return pattern[0] == '*' && scpi::matchMnemonic(pattern + 1, name);
}

const Command *findCommand(const scpi::Unit &u, const std::vector<std::string> &nodes) {
  for (const Command &c : kCommands) {
    const bool match = u.common ? commonMatches(c.pattern, nodes[0])
                                : c.pattern[0] != '*' && scpi::matchHeader(c.pattern, nodes);
    if (match && (u.query ? c.query != nullptr : c.set != nullptr)) return &c;
  }
  return nullptr;
}

std::string number(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.10g", v);
  return buf;
}

}  // namespace

// ---- The instrument -------------------------------------------------------

A33220a::A33220a() { reset(); }

void A33220a::reset() {
  s_ = State{};
  s_.function = Function::Sin;
  s_.frequency = 1e3;
  s_.output = false;
  s_.burstMode = BurstMode::Trig;
  s_.infiniteCount = false;
  s_.count = 1;
  s_.period = kDefaultPeriod;
  s_.phaseDeg = 0;
  s_.trigSource = TrigSource::Imm;
  s_.trigSlopePos = true;
  s_.trigOut = false;
  s_.trigOutSlopePos = true;
  s_.radians = false;
}

void A33220a::clearStatus() {
  errors_.clear();
  esr_ = 0;
}

void A33220a::error(int code) {
  if (errors_.size() < kErrorQueueSize) errors_.push_back(code);
  else errors_.back() = -350;
  const int cls = -code / 100;
  esr_ |= cls == 1 ? kEsrCme : cls == 2 ? kEsrExe : cls == 3 ? kEsrDde : kEsrQye;
}

std::string A33220a::popError() {
  if (errors_.empty()) return "+0,\"No error\"";
  const int code = errors_.front();
  errors_.pop_front();
  char buf[64];
  std::snprintf(buf, sizeof buf, "%+d,\"%s\"", code, errorText(code));
  return buf;
}

std::uint8_t A33220a::statusByte() {
  std::uint8_t stb = 0;
  if (!errors_.empty()) stb |= kStbErrorQueue;
  if (!out_.empty() || !replies_.empty()) stb |= kStbMav;
  if (esr_ & ese_) stb |= kStbEsb;
  if (stb & sre_ & ~kStbMss) stb |= kStbMss;
  return stb;
}

void A33220a::receive(std::string_view bytes) {
  for (char c : bytes) {
    if (c == '\n') {
      if (overlong_) error(-363);
      else message(in_);
      in_.clear();
      overlong_ = false;
    } else if (in_.size() < kMaxMessage) {
      in_ += c;
    } else {
      overlong_ = true;
    }
  }
}

void A33220a::deviceClear() {
  Instrument::deviceClear();
  in_.clear();
  overlong_ = false;
}

void A33220a::readEmpty() { error(-420); }

void A33220a::message(std::string_view text) {
  // A new message while a reply is unread: the reply is thrown away.
  if (!out_.empty()) {
    error(-410);
    out_.clear();
  }
  replies_.clear();
  std::vector<std::string> path;  // header path a following unit continues at
  const std::vector<std::string_view> units = scpi::splitUnits(text);
  for (std::size_t i = 0; i < units.size(); ++i) {
    std::string_view t = units[i];
    if (t.find_first_not_of(" \t\r") == std::string_view::npos) {
      if (units.size() > 1) error(-102);  // an empty unit between ';'
      continue;
    }
    scpi::Unit u;
    if (!scpi::parseUnit(t, &u)) {
      error(-102);
      continue;
    }
    std::vector<std::string> nodes = u.nodes;
    if (!u.common && !u.rooted) nodes.insert(nodes.begin(), path.begin(), path.end());
    const Command *c = findCommand(u, nodes);
    if (!c) {
      error(-113);
      continue;
    }
    if (!u.common) path.assign(nodes.begin(), nodes.end() - 1);
    const int n = static_cast<int>(u.params.size());
    if (u.query) {
      if (n > c->queryParams) {
        error(-108);
        continue;
      }
      if (std::optional<std::string> r = c->query(*this, u.params, c->arg))
        replies_.push_back(std::move(*r));
    } else {
      if (n != c->setParams) {
        error(n < c->setParams ? -109 : -108);
        continue;
      }
      c->set(*this, u.params, c->arg);
    }
  }
  if (!replies_.empty()) {
    for (std::size_t i = 0; i < replies_.size(); ++i) {
      if (i) out_ += ';';
      out_ += replies_[i];
    }
    out_ += '\n';
    replies_.clear();
  }
}

bool A33220a::setFunction(std::string_view name, std::string *why) {
  for (const FunctionInfo &f : kFunctions) {
    if (scpi::matchMnemonic(f.pattern, name)) {
      s_.function = f.function;
      return true;
    }
  }
  if (why) *why = "unknown function '" + std::string(name) + "'";
  return false;
}

bool A33220a::setFrequency(std::string_view hertz, std::string *why) {
  double v = 0;
  if (!scpi::parseWholeDecimal(hertz, &v)) {
    if (why) *why = "frequency '" + std::string(hertz) + "' is not a number";
    return false;
  }
  s_.frequency = v;
  return true;
}

bool A33220a::checkStartup(std::string *why) const {
  const Limits l = frequencyLimits(s_);
  if (s_.frequency >= l.min && s_.frequency <= l.max) return true;
  if (why)
    *why = "frequency " + number(s_.frequency) + " out of range " + number(l.min) + ".." +
           number(l.max) + " for " + functionInfo(s_.function).reply;
  return false;
}

std::string A33220a::describe() const {
  std::string d = "33220A FUNC=";
  d += functionInfo(s_.function).reply;
  d += " FREQ=" + number(s_.frequency);
  d += " OUTP=" + boolReply(s_.output);
  for (int i = 0; i < static_cast<int>(Modulation::Count); ++i)
    if (s_.modulation[i]) d += std::string(" ") + kModulationNames[i] + "=1";
  d += std::string(" BURS:MODE=") + replyFor(static_cast<int>(s_.burstMode), kBurstModes);
  d += " NCYC=" + (s_.infiniteCount ? std::string("INF") : number(s_.count));
  d += " PER=" + number(s_.period);
  d += " PHAS=" + number(s_.phaseDeg) + "DEG";
  d += std::string(" TRIG:SOUR=") + replyFor(static_cast<int>(s_.trigSource), kSources);
  d += std::string(" TRIG:SLOP=") + (s_.trigSlopePos ? "POS" : "NEG");
  d += " OUTP:TRIG=" + boolReply(s_.trigOut);
  d += std::string(" OUTP:TRIG:SLOP=") + (s_.trigOutSlopePos ? "POS" : "NEG");
  d += std::string(" UNIT:ANGL=") + (s_.radians ? "RAD" : "DEG");
  d += " errors=" + std::to_string(errors_.size());
  return d;
}

}  // namespace sim
