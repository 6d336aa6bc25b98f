// instrument.cpp - the model factory and the reply buffer.
#include "instrument.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "models.h"

namespace sim {
namespace {

std::string upperCase(std::string_view s) {
  std::string u(s);
  for (char &c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return u;
}

std::unique_ptr<Instrument> makeFg503(const std::vector<std::string> &settings,
                                      std::string *why) {
  if (!settings.empty()) {
    if (why) *why = "FG503 takes no settings, got '" + settings.front() + "'";
    return nullptr;
  }
  return std::make_unique<Fg503>();
}

// Settings FREQ=<hertz> and FUNC=<shape>, in any order: the frequency is
// checked against the range of the function finally chosen.
std::unique_ptr<Instrument> make33220a(const std::vector<std::string> &settings,
                                       std::string *why) {
  auto m = std::make_unique<A33220a>();
  std::string reason;
  const std::string *frequency = nullptr;
  for (const std::string &s : settings) {
    const std::size_t eq = s.find('=');
    const std::string key = upperCase(std::string_view(s).substr(0, eq));
    const std::string_view value =
        eq == std::string::npos ? std::string_view() : std::string_view(s).substr(eq + 1);
    if (eq == std::string::npos || (key != "FREQ" && key != "FUNC")) {
      reason = "unknown 33220A setting '" + s + "' (FREQ=<hertz>, FUNC=<shape>)";
      break;
    }
    if (key == "FUNC" && !m->setFunction(value, &reason)) break;
    if (key == "FREQ") frequency = &s;
  }
  if (reason.empty() && frequency)
    m->setFrequency(std::string_view(*frequency).substr(5), &reason);
  if (reason.empty()) m->checkStartup(&reason);
  if (!reason.empty()) {
    if (why) *why = reason;
    return nullptr;
  }
  return m;
}

struct ModelInfo {
  const char *name;
  std::unique_ptr<Instrument> (*make)(const std::vector<std::string> &, std::string *);
};
constexpr ModelInfo kModels[] = {
    {"FG503", makeFg503},
    {"33220A", make33220a},
};

}  // namespace

std::size_t Instrument::take(char *buf, std::size_t max) {
  const std::size_t n = std::min(max, out_.size());
  if (n > 0) {
    std::memcpy(buf, out_.data(), n);
    out_.erase(0, n);
  }
  return n;
}

std::unique_ptr<Instrument> make(std::string_view model,
                                 const std::vector<std::string> &settings,
                                 std::string *why) {
  const std::string name = upperCase(model);
  for (const ModelInfo &m : kModels)
    if (name == m.name) return m.make(settings, why);
  if (why) *why = "unknown model '" + std::string(model) + "' (FG503, 33220A)";
  return nullptr;
}

}  // namespace sim
