// Test of the simulator program: it serves a model on a pseudo-terminal.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

extern char **environ;

namespace {

// Reads from fd until the text holds `until` (or end of file), waiting at
// most bound_ms for each piece. Bounds the test; asserts no timing.
std::string readUntil(int fd, const std::string &until, int bound_ms = 5000) {
  std::string text;
  while (text.find(until) == std::string::npos) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, bound_ms) <= 0) break;
    char buf[512];
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n <= 0) break;
    text.append(buf, static_cast<std::size_t>(n));
  }
  return text;
}

// Stops and reaps the simulator if a check ends the test early.
struct Child {
  pid_t pid = 0;
  ~Child() {
    if (pid > 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }
};

TEST(Fgsim, ServesAModelOnAPseudoTerminal) {
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  char arg0[] = FGSIM_PATH, arg1[] = "33220A", arg2[] = "FREQ=2E3";
  char *argv[] = {arg0, arg1, arg2, nullptr};
  Child child;
  ASSERT_EQ(posix_spawn(&child.pid, FGSIM_PATH, &actions, nullptr, argv, environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);

  const std::string first = readUntil(out[0], "\n");
  ASSERT_EQ(first.rfind("ASRL/dev/", 0), 0u) << first;
  const std::string path = first.substr(4, first.find('\n') - 4);

  const int line = open(path.c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(line, 0) << path;
  ASSERT_EQ(write(line, "*IDN?\n", 6), 6);
  EXPECT_EQ(readUntil(line, "\n"), "Agilent Technologies,33220A,SIM0000001,1.00-sim\n");
  ASSERT_EQ(write(line, "FREQ?\n", 6), 6);
  EXPECT_EQ(readUntil(line, "\n"), "+2.000000000000000E+03\n");
  close(line);

  // Stopped by a signal, it prints the model's state and exits 0.
  ASSERT_EQ(kill(child.pid, SIGTERM), 0);
  const std::string rest = readUntil(out[0], "errors=0\n");
  close(out[0]);
  EXPECT_EQ(rest.rfind("33220A FUNC=SIN FREQ=2000 ", 0), 0u) << rest;
  int status = 0;
  ASSERT_EQ(waitpid(child.pid, &status, 0), child.pid);
  child.pid = 0;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
