// harness.h - end-to-end runs of the programs: a generator played by the test
// on the master side of a pseudo-terminal, reached by the program through the
// real serial transport, with every byte captured.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

// Called with each complete line the program sent (terminator included:
// "...\r\n" for the FG503, "...\n" for SCPI) and how many times that same line
// was seen before; returns the bytes to answer (std::nullopt: stay silent).
using Responder =
    std::function<std::optional<std::string>(const std::string &line, int seen)>;

struct Run {
  int status;            // exit status, 128+signal if killed
  std::string received;  // every byte the instrument got, in order
  std::string err, out;  // the program's standard error and output
};

// Spawns `binary` with argv[1] = "ASRL" + slave path and then `args`; plays
// the instrument until the program exits (bounded: kills it after limitMs).
Run runSerial(const std::string &binary, const std::vector<std::string> &args,
              Responder responder = {}, int limitMs = 20000);

// As runSerial, with argv[1] = prefix + slave path (e.g. "asrl" to try the
// interface name in another case).
Run runSerialAs(const std::string &binary, const std::string &prefix,
                const std::vector<std::string> &args, Responder responder = {},
                int limitMs = 20000);

// Spawns `binary` with the given argv (no pseudo-terminal), e.g. for usage
// texts and the simulated interface "SIM::FG503".
Run runPlain(const std::string &binary, const std::vector<std::string> &args,
             int limitMs = 20000);

// What the library prints on standard error once a serial session is open
// and the line is set up, before anything the program prints itself.
extern const char kSerialOpened[];
// The same for a session that is not on a serial line (no line set-up).
extern const char kSessionOpened[];

}  // namespace e2e
