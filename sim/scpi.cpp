// scpi.cpp - program message splitting, header matching, parameters.
#include "scpi.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace sim::scpi {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r'; }
char upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }
bool isMnemonicChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
  return s;
}

bool equalNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (upper(a[i]) != upper(b[i])) return false;
  return true;
}

// Pattern nodes split at ':'; a leading "[" marks an optional node.
struct PatternNode {
  std::string_view mnemonic;
  bool optional;
};

// "[SOURce:]BURSt:STATe", "SYSTem:ERRor[:NEXT]": a node inside brackets is
// optional.
std::vector<PatternNode> splitPattern(std::string_view pattern) {
  std::vector<PatternNode> nodes;
  bool optional = false;
  std::size_t i = 0;
  while (i < pattern.size()) {
    const char c = pattern[i];
    if (c == '[') {
      optional = true;
      ++i;
    } else if (c == ']') {
      optional = false;
      ++i;
    } else if (c == ':') {
      ++i;
    } else {
      std::size_t end = i;
      while (end < pattern.size() && isMnemonicChar(pattern[end])) ++end;
      if (end == i) break;  // not a pattern character
      nodes.push_back({pattern.substr(i, end - i), optional});
      i = end;
    }
  }
  return nodes;
}

bool matchFrom(const std::vector<PatternNode> &pat, std::size_t pi,
               const std::vector<std::string> &nodes, std::size_t ni) {
  if (pi == pat.size()) return ni == nodes.size();
  if (ni < nodes.size() && matchMnemonic(pat[pi].mnemonic, nodes[ni]) &&
      matchFrom(pat, pi + 1, nodes, ni + 1))
    return true;
  return pat[pi].optional && matchFrom(pat, pi + 1, nodes, ni);
}

}  // namespace

bool parseWholeDecimal(std::string_view s, double *value) {
  std::size_t used = 0;
  return parseDecimal(s, value, &used) && used == s.size() && std::isfinite(*value);
}

bool parseDecimal(std::string_view s, double *value, std::size_t *used) {
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < s.size() && isDigit(s[i])) ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && isDigit(s[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    if (j < s.size() && isDigit(s[j])) {
      while (j < s.size() && isDigit(s[j])) ++j;
      i = j;
    }
  }
  // strtod needs a terminated copy; the syntax checked above keeps it from
  // reading hexadecimal or INF/NAN forms.
  const std::string text(s.substr(0, i));
  *value = std::strtod(text.c_str(), nullptr);
  *used = i;
  return true;
}

std::vector<std::string_view> splitUnits(std::string_view message) {
  std::vector<std::string_view> units;
  std::size_t start = 0;
  char quote = 0;
  for (std::size_t i = 0; i < message.size(); ++i) {
    const char c = message[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == ';') {
      units.push_back(message.substr(start, i - start));
      start = i + 1;
    }
  }
  units.push_back(message.substr(start));
  return units;
}

bool parseUnit(std::string_view text, Unit *unit) {
  *unit = Unit{};
  text = trim(text);
  std::size_t end = 0;
  while (end < text.size() && !isSpace(text[end])) ++end;
  std::string_view header = text.substr(0, end);
  std::string_view rest = trim(text.substr(end));
  if (header.empty()) return false;

  if (header.back() == '?') {
    unit->query = true;
    header.remove_suffix(1);
  }
  if (!header.empty() && header.front() == '*') {
    unit->common = true;
    header.remove_prefix(1);
    if (header.empty()) return false;
    for (char c : header)
      if (!isMnemonicChar(c)) return false;
    unit->nodes.emplace_back(header);
  } else {
    if (!header.empty() && header.front() == ':') {
      unit->rooted = true;
      header.remove_prefix(1);
    }
    while (true) {
      std::size_t colon = header.find(':');
      std::string_view node = header.substr(0, colon);
      if (node.empty()) return false;
      for (char c : node)
        if (!isMnemonicChar(c)) return false;
      unit->nodes.emplace_back(node);
      if (colon == std::string_view::npos) break;
      header.remove_prefix(colon + 1);
    }
  }

  if (!rest.empty()) {
    char quote = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < rest.size(); ++i) {
      const char c = rest[i];
      if (quote) {
        if (c == quote) quote = 0;
      } else if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == ',') {
        unit->params.emplace_back(trim(rest.substr(start, i - start)));
        start = i + 1;
      }
    }
    unit->params.emplace_back(trim(rest.substr(start)));
  }
  return true;
}

bool matchMnemonic(std::string_view pattern, std::string_view typed) {
  std::size_t shortLen = 0;
  while (shortLen < pattern.size() &&
         !std::islower(static_cast<unsigned char>(pattern[shortLen])))
    ++shortLen;
  return equalNoCase(typed, pattern) || equalNoCase(typed, pattern.substr(0, shortLen));
}

bool matchHeader(std::string_view pattern, const std::vector<std::string> &nodes) {
  return matchFrom(splitPattern(pattern), 0, nodes, 0);
}

bool parseNumeric(std::string_view text, Numeric *out) {
  struct Keyword {
    const char *pattern;
    Numeric::Kind kind;
  };
  static constexpr Keyword kKeywords[] = {
      {"MINimum", Numeric::Min},
      {"MAXimum", Numeric::Max},
      {"DEFault", Numeric::Def},
      {"INFinity", Numeric::Inf},
  };
  text = trim(text);
  for (const Keyword &k : kKeywords) {
    if (matchMnemonic(k.pattern, text)) {
      *out = Numeric{k.kind, 0};
      return true;
    }
  }
  double v = 0;
  if (!parseWholeDecimal(text, &v)) return false;
  *out = Numeric{Numeric::Value, v};
  return true;
}

bool parseBool(std::string_view text, bool *out) {
  text = trim(text);
  if (equalNoCase(text, "ON")) {
    *out = true;
    return true;
  }
  if (equalNoCase(text, "OFF")) {
    *out = false;
    return true;
  }
  double v = 0;
  if (!parseWholeDecimal(text, &v)) return false;
  *out = std::fabs(v) >= 0.5;  // rounds to a number other than 0
  return true;
}

std::string nr3(double value) {
  // 9.9E+37 has no exact binary form; printed with 16 digits it would show
  // as 9.899999999999999E+37.
  if (value == kInfinity) return "+9.900000000000000E+37";
  char buf[40];
  std::snprintf(buf, sizeof buf, "%+.15E", value);
  return buf;
}

}  // namespace sim::scpi
