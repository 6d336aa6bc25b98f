// fake_model.h - a tiny instrument behind the SIM transport for these tests.
// Lines (ending in LF) it understands:
//   "ECHO <text>"  queues "<text>\n"
//   "TWO"          queues "a\nb\n"
//   "BIG <n>"      queues n bytes 'x' and "\n"
// Models: "FAKE" (status byte 0x41) and "FAKENOSTB" (none). Settings:
// MODE=<anything>; any other key is refused.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "instrument.h"
#include "rsrc.h"
#include "simulated.h"

namespace fake {

inline int readEmptyCalls = 0;
inline int deviceClearCalls = 0;

class Model : public sim::Instrument {
 public:
  explicit Model(bool stb) : stb_(stb) {}
  void receive(std::string_view bytes) override {
    line_.append(bytes);
    for (std::size_t eol; (eol = line_.find('\n')) != std::string::npos;) {
      const std::string l = line_.substr(0, eol);
      line_.erase(0, eol + 1);
      if (l.rfind("ECHO ", 0) == 0) out_ += l.substr(5) + "\n";
      else if (l == "TWO") out_ += "a\nb\n";
      else if (l.rfind("BIG ", 0) == 0) out_ += std::string(std::stoul(l.substr(4)), 'x') + "\n";
    }
  }
  void deviceClear() override {
    ++deviceClearCalls;
    out_.clear();
    line_.clear();
  }
  void readEmpty() override { ++readEmptyCalls; }
  bool hasStatusByte() const override { return stb_; }
  std::uint8_t statusByte() override { return 0x41; }
  std::string describe() const override { return "FAKE"; }

 private:
  bool stb_;
  std::string line_;
};

inline std::unique_ptr<sim::Instrument> make(std::string_view model,
                                             const std::vector<std::string> &settings,
                                             std::string *why) {
  const bool plain = visa::equalsNoCase(model, "FAKE");
  if (!plain && !visa::equalsNoCase(model, "FAKENOSTB")) {
    *why = "unknown model";
    return nullptr;
  }
  for (const std::string &s : settings) {
    if (s.rfind("MODE=", 0) != 0) {
      *why = "unknown setting";
      return nullptr;
    }
  }
  return std::make_unique<Model>(plain);
}

// Puts the fake maker in place for one test.
struct UseFakeModels {
  UseFakeModels() : old(visa::setModelMaker(make)) {
    readEmptyCalls = 0;
    deviceClearCalls = 0;
  }
  ~UseFakeModels() { visa::setModelMaker(old); }
  visa::ModelMaker old;
};

}  // namespace fake
