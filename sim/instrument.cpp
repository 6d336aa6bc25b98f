// instrument.cpp - the model factory and the reply buffer.
#include "instrument.h"

#include <algorithm>
#include <cstring>

namespace sim {

std::size_t Instrument::take(char *buf, std::size_t max) {
  const std::size_t n = std::min(max, out_.size());
  if (n > 0) {
    std::memcpy(buf, out_.data(), n);
    out_.erase(0, n);
  }
  return n;
}

std::unique_ptr<Instrument> make(std::string_view model,
                                 const std::vector<std::string> &,
                                 std::string *why) {
  if (why) *why = "unknown model '" + std::string(model) + "'";
  return nullptr;
}

}  // namespace sim
