// instrument.h - simulated instruments: models that stand in for the real
// generators. A model sees the bytes a controller sends and queues the bytes
// the real instrument would answer; the VISA layer's SIM transport and the
// pseudo-terminal simulator program both drive models through this class.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

class Instrument {
 public:
  virtual ~Instrument() = default;

  // Bytes from the controller, in any split; the model frames its own
  // messages (line ends) and queues replies.
  virtual void receive(std::string_view bytes) = 0;

  // Device clear: input and output buffers emptied, parser reset.
  virtual void deviceClear() { out_.clear(); }

  // The controller asked for a reply while none was queued (its read will
  // time out); instruments that report this queue their error here.
  virtual void readEmpty() {}

  // IEEE 488.2 status byte, where the instrument has one.
  virtual bool hasStatusByte() const { return false; }
  virtual std::uint8_t statusByte() { return 0; }

  // A one-line summary of the instrument's state, for logs and tests.
  virtual std::string describe() const = 0;

  // Reply bytes waiting to be read by the controller.
  std::size_t pending() const { return out_.size(); }
  // Moves up to max reply bytes into buf; returns how many.
  std::size_t take(char *buf, std::size_t max);

 protected:
  std::string out_;
};

// Makes a model by name ("FG503", "33220A"; case-insensitive) with start-up
// settings "KEY=VALUE" (for the 33220A: FREQ=<hertz>, FUNC=<shape>).
// Returns nullptr and a reason in *why for an unknown model or setting.
std::unique_ptr<Instrument> make(std::string_view model,
                                 const std::vector<std::string> &settings,
                                 std::string *why);

}  // namespace sim
