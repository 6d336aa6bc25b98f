// scpi.h - the small SCPI toolkit behind the simulated 33220A: splitting a
// program message into units, header matching against mnemonic patterns,
// parameter decoding and reply formatting. Also the decimal number reader the
// FG503 model shares.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sim::scpi {

// Reads the longest leading decimal number of s: optional sign, digits with
// an optional point, optional exponent ("E"/"e", sign, digits). No leading
// white space, no hexadecimal, no INF/NAN words. Returns false when s does
// not begin with a number; otherwise *value and *used (characters taken).
bool parseDecimal(std::string_view s, double *value, std::size_t *used);
// True when all of s is one finite decimal number.
bool parseWholeDecimal(std::string_view s, double *value);

// One program message unit: "BURS:NCYC 5", "*IDN?", ":TRIG:SOUR?".
struct Unit {
  bool common = false;              // "*IDN?" style header
  bool rooted = false;              // header began with ':'
  bool query = false;               // header ended with '?'
  std::vector<std::string> nodes;   // header mnemonics as typed, no ':'
  std::vector<std::string> params;  // parameters, white space trimmed
};

// Splits one program message (line end removed) at ';' outside quoted
// strings.
std::vector<std::string_view> splitUnits(std::string_view message);

// Parses a unit's text. Returns false on a malformed header (empty node,
// character outside a mnemonic, nothing but white space).
bool parseUnit(std::string_view text, Unit *unit);

// Does the typed mnemonic match a pattern mnemonic such as "NCYCles"? The
// upper-case part is the short form; short or complete long form match, in
// any case, nothing in between.
bool matchMnemonic(std::string_view pattern, std::string_view typed);

// Does a node list match a header pattern such as
// "[SOURce:]BURSt:INTernal:PERiod"? Bracketed nodes may be left out.
bool matchHeader(std::string_view pattern, const std::vector<std::string> &nodes);

// A numeric parameter: a number or one of the keywords MINimum, MAXimum,
// DEFault, INFinity.
struct Numeric {
  enum Kind { Value, Min, Max, Def, Inf } kind = Value;
  double value = 0;
};

// Decodes a numeric parameter. Returns false for anything else (a number
// followed by other text included).
bool parseNumeric(std::string_view text, Numeric *out);

// Decodes a boolean parameter: ON, OFF, or a number (rounded; not 0 is ON).
// Returns false for anything else.
bool parseBool(std::string_view text, bool *out);

// NR3 reply text with 16 significant digits: "+1.000000000000000E+03".
std::string nr3(double value);

// The value that stands for infinity in replies (9.9E+37).
constexpr double kInfinity = 9.9e37;

}  // namespace sim::scpi
