// Whole-process cost of one program run, against the least C client making
// the same serial exchange. Each iteration spawns the program and waits for it.
//
//   build/bin/full_run_bench            (or: bench/syscalls.sh for syscall counts)
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char **environ;

namespace {

// A pseudo-terminal standing in for the FG503: it never answers, and the
// bench keeps the slave open so the line never hangs up between runs.
struct Line {
  int master = -1, slave = -1;
  std::string path;
  Line() {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    grantpt(master);
    unlockpt(master);
    path = ptsname(master);
    slave = open(path.c_str(), O_RDWR | O_NOCTTY);
    fcntl(master, F_SETFL, O_NONBLOCK);
  }
  ~Line() {
    close(slave);
    close(master);
  }
  void drain() {
    char buf[4096];
    while (read(master, buf, sizeof buf) > 0) {
    }
  }
};

int run(const std::vector<std::string> &args) {
  std::vector<char *> argv;
  for (const auto &a : args) argv.push_back(const_cast<char *>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid;
  int st = -1;
  if (posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), environ) == 0)
    waitpid(pid, &st, 0);
  posix_spawn_file_actions_destroy(&fa);
  return st;
}

void spawnLoop(benchmark::State &state, const std::vector<std::string> &args,
               Line *line) {
  for (auto _ : state) {
    if (run(args) != 0) state.SkipWithError("run failed");
    if (line) line->drain();
  }
}

void BM_MinimalClientSerial(benchmark::State &state) {
  Line line;
  spawnLoop(state, {MINIMAL_CLIENT, line.path}, &line);
}
void BM_OndraSerial(benchmark::State &state) {
  Line line;
  spawnLoop(state, {ONDRA_BIN, "ASRL" + line.path, "SIN", "1000", "2", "0.5"},
            &line);
}
void BM_OndraSimulated(benchmark::State &state) {
  spawnLoop(state, {ONDRA_BIN, "SIM::FG503", "SIN", "1000", "2", "0.5"},
            nullptr);
}
void BM_VelkarSimulated(benchmark::State &state) {
  spawnLoop(state, {VELKAR_BIN, "SIM::33220A", "5", "INT", "OFF", "DEG", "0"},
            nullptr);
}

}  // namespace

BENCHMARK(BM_MinimalClientSerial)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OndraSerial)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OndraSimulated)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_VelkarSimulated)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
