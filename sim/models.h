// models.h - the simulated generators. Controllers see them only through
// sim::Instrument and sim::make(); tests and the factory use these types.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "instrument.h"

namespace sim {

// FG503: plain text lines ending in CR LF (a bare LF also ends a line), one
// setting per line: a wave shape word, "<number>HZ", "<number>V" (the value
// as sent) or "<number>VOF", units in any case. Out-of-range or unknown lines
// are refused and recorded; the instrument never replies.
class Fg503 : public Instrument {
 public:
  enum class Shape { Sin, Squ, Tri, Rup, Rdw, Dc };

  void receive(std::string_view bytes) override;
  void deviceClear() override;
  std::string describe() const override;

  Shape shape() const { return shape_; }
  double frequency() const { return frequency_; }
  double amplitude() const { return amplitude_; }
  double offset() const { return offset_; }
  // Refused lines, line end removed, oldest first.
  const std::vector<std::string> &refused() const { return refused_; }

 private:
  void line(std::string_view text);
  bool apply(std::string_view text);

  Shape shape_ = Shape::Sin;
  double frequency_ = 1000;
  double amplitude_ = 1;
  double offset_ = 0;
  std::string in_;
  bool overlong_ = false;
  std::vector<std::string> refused_;
};

// 33220A: SCPI over lines ending in LF; replies end in LF. See a33220a.cpp
// for the command table and the rules it holds.
class A33220a : public Instrument {
 public:
  enum class Function { Sin, Squ, Ramp, Puls, Nois, Dc, User };
  enum class BurstMode { Trig, Gat };
  enum class TrigSource { Imm, Ext, Bus };
  enum class Modulation { Am, Fm, Pm, Fsk, Pwm, Swe, Burst, Count };

  A33220a();

  void receive(std::string_view bytes) override;
  void deviceClear() override;
  void readEmpty() override;
  bool hasStatusByte() const override { return true; }
  std::uint8_t statusByte() override;
  std::string describe() const override;

  // Start-up settings; false and a reason when refused.
  bool setFunction(std::string_view name, std::string *why);
  bool setFrequency(std::string_view hertz, std::string *why);
  bool checkStartup(std::string *why) const;

  // Queues an error by its number (the text comes from the error table).
  void error(int code);
  std::size_t errorCount() const { return errors_.size(); }

  // Instrument state, reachable by the command handlers.
  struct State {
    Function function;
    double frequency;
    bool output;
    bool modulation[static_cast<int>(Modulation::Count)];
    BurstMode burstMode;
    bool infiniteCount;
    double count;
    double period;
    double phaseDeg;
    TrigSource trigSource;
    bool trigSlopePos;
    bool trigOut;
    bool trigOutSlopePos;
    bool radians;
  };
  State &state() { return s_; }
  const State &state() const { return s_; }
  void reset();
  void clearStatus();
  std::uint8_t &eventStatus() { return esr_; }
  std::uint8_t &eventEnable() { return ese_; }
  std::uint8_t &serviceEnable() { return sre_; }
  // Takes the oldest error as a SYST:ERR? reply.
  std::string popError();

 private:
  void message(std::string_view text);

  State s_{};
  std::string in_;
  bool overlong_ = false;
  std::deque<int> errors_;
  std::vector<std::string> replies_;  // replies of the message in hand
  std::uint8_t esr_ = 0;
  std::uint8_t ese_ = 0;
  std::uint8_t sre_ = 0;
};

}  // namespace sim
