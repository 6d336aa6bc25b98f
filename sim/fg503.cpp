// fg503.cpp - the simulated FG503: one setting per line, checked against the
// generator's ranges, never a reply.
#include <cctype>
#include <cmath>
#include <cstdio>

#include "models.h"
#include "scpi.h"

namespace sim {
namespace {

using Shape = Fg503::Shape;

// The generator's ranges, all in one place. Frequency limits depend on the
// wave shape; the amplitude is the value as sent (ondra sends half of the
// peak-to-peak value it was given).
struct ShapeInfo {
  const char *keyword;  // matched case-insensitively at the start of a line
  Shape shape;
  double maxFrequency;
};
constexpr ShapeInfo kShapes[] = {
    {"SIN", Shape::Sin, 3e6},   {"SQU", Shape::Squ, 3e6},
    {"TRI", Shape::Tri, 20e3},  {"RUP", Shape::Rup, 20e3},
    {"RDW", Shape::Rdw, 20e3},  {"DC", Shape::Dc, 20e3},
};
constexpr double kMinFrequency = 0.01;
constexpr double kMinAmplitude = 0.04;
constexpr double kMaxAmplitude = 20;

// Upper offset limit for an amplitude: the bands ondra applies. No limit
// above 10 V, and a negative offset is never refused.
double offsetLimit(double amplitude) {
  if (amplitude >= 1 && amplitude <= 10) return std::fabs(5 - amplitude);
  if (amplitude >= 0.1 && amplitude < 1) return std::fabs(1 - amplitude);
  if (amplitude < 0.1) return std::fabs(0.1 - amplitude);
  return HUGE_VAL;
}
// Values arrive printed with six decimals from single-precision numbers, so
// a value that passed the controller's check may differ from the exact limit
// in the last printed digit.
constexpr double kOffsetSlack = 1e-6;

// Lines longer than this are not settings; they are refused whole.
constexpr std::size_t kMaxLine = 4096;

const ShapeInfo &info(Shape s) {
  for (const ShapeInfo &i : kShapes)
    if (i.shape == s) return i;
  return kShapes[0];
}

bool startsNoCase(std::string_view text, std::string_view word) {
  if (text.size() < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(text[i])) != word[i]) return false;
  return true;
}

bool equalsNoCase(std::string_view text, std::string_view word) {
  return text.size() == word.size() && startsNoCase(text, word);
}

std::string number(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.10g", v);
  return buf;
}

}  // namespace

void Fg503::receive(std::string_view bytes) {
  for (char c : bytes) {
    if (c == '\n') {
      if (!overlong_) line(in_);
      else refused_.push_back(in_ + "...");
      in_.clear();
      overlong_ = false;
    } else if (in_.size() < kMaxLine) {
      in_ += c;
    } else {
      overlong_ = true;
    }
  }
}

void Fg503::deviceClear() {
  Instrument::deviceClear();
  in_.clear();
  overlong_ = false;
}

void Fg503::line(std::string_view text) {
  if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  if (text.empty()) return;  // a bare line end changes nothing
  if (!apply(text)) refused_.emplace_back(text);
}

bool Fg503::apply(std::string_view text) {
  for (const ShapeInfo &s : kShapes) {
    if (startsNoCase(text, s.keyword)) {
      shape_ = s.shape;
      return true;
    }
  }
  double v = 0;
  std::size_t used = 0;
  if (!scpi::parseDecimal(text, &v, &used)) return false;
  std::string_view unit = text.substr(used);
  while (!unit.empty() && unit.front() == ' ') unit.remove_prefix(1);
  if (equalsNoCase(unit, "HZ")) {
    if (!(v >= kMinFrequency && v <= info(shape_).maxFrequency)) return false;
    frequency_ = v;
    return true;
  }
  if (equalsNoCase(unit, "V")) {
    if (!(v >= kMinAmplitude && v <= kMaxAmplitude)) return false;
    amplitude_ = v;
    return true;
  }
  if (equalsNoCase(unit, "VOF")) {
    if (!(v <= offsetLimit(amplitude_) + kOffsetSlack)) return false;
    offset_ = v;
    return true;
  }
  return false;
}

std::string Fg503::describe() const {
  std::string name = info(shape_).keyword;
  return "FG503 FUNC=" + name + " FREQ=" + number(frequency_) +
         " AMP=" + number(amplitude_) + " OFFS=" + number(offset_) +
         " refused=" + std::to_string(refused_.size());
}

}  // namespace sim
