// harness.cpp - spawns a program, plays the instrument on a pseudo-terminal
// master and collects the program's output. Every wait is a poll() on the
// descriptors involved and a pidfd for the child's end; nothing spins.
#include "harness.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <map>

extern char **environ;

namespace e2e {

const char kSessionOpened[] =
    "VISA session established successfully.\n"
    "Device session established successfully.\n"
    "Time out setup successfully.\n";

const char kSerialOpened[] =
    "VISA session established successfully.\n"
    "Device session established successfully.\n"
    "Time out setup successfully.\n"
    "Baud Rate setup successfully.\n"
    "Data Bits setup successfully.\n"
    "Flow Control setup successfully.\n"
    "Parity setup successfully.\n"
    "Stop Bits setup successfully.\n";

namespace {

long long nowMs() {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return (long long)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
}

// Reads what is there without blocking; false once the descriptor is done
// (end of file or an error other than "nothing yet").
bool drain(int fd, std::string *into) {
  char buf[4096];
  for (;;) {
    ssize_t n = read(fd, buf, sizeof buf);
    if (n > 0) {
      into->append(buf, (size_t)n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) return true;
    return false;
  }
}

void writeAll(int fd, const std::string &bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += (size_t)n;
    } else if (n < 0 && errno == EAGAIN) {
      struct pollfd p = {fd, POLLOUT, 0};
      poll(&p, 1, 1000);
    } else if (!(n < 0 && errno == EINTR)) {
      return;
    }
  }
}

void setNonBlocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); }

// The child's environment: ours without VISA_TRACE, so a trace switched on
// for the test process never reaches the program under test.
std::vector<char *> childEnv() {
  std::vector<char *> env;
  for (char **e = environ; *e; ++e)
    if (strncmp(*e, "VISA_TRACE=", 11) != 0) env.push_back(*e);
  env.push_back(nullptr);
  return env;
}

// Splits the instrument's input into lines and answers them.
struct Player {
  int master = -1;
  Responder responder;
  std::string pending;
  std::map<std::string, int> seen;

  void take(const std::string &fresh) {
    if (master < 0 || !responder) return;
    pending += fresh;
    size_t end;
    while ((end = pending.find('\n')) != std::string::npos) {
      std::string line = pending.substr(0, end + 1);
      pending.erase(0, end + 1);
      std::optional<std::string> answer = responder(line, seen[line]++);
      if (answer) writeAll(master, *answer);
    }
  }
};

Run spawn(const std::string &binary, const std::vector<std::string> &argv,
          int master, Responder responder, int limitMs) {
  Run run{-1, "", "", ""};
  int outPipe[2], errPipe[2];
  if (pipe2(outPipe, O_CLOEXEC) != 0) return run;
  if (pipe2(errPipe, O_CLOEXEC) != 0) {
    close(outPipe[0]);
    close(outPipe[1]);
    return run;
  }
  std::vector<char *> args;
  for (const std::string &a : argv) args.push_back(const_cast<char *>(a.c_str()));
  args.push_back(nullptr);
  std::vector<char *> env = childEnv();

  pid_t pid = fork();
  if (pid == 0) {
    int devnull = open("/dev/null", O_RDONLY);
    if (devnull < 0 || dup2(devnull, 0) < 0 || dup2(outPipe[1], 1) < 0 ||
        dup2(errPipe[1], 2) < 0)
      _exit(127);
    execve(binary.c_str(), args.data(), env.data());
    _exit(127);
  }
  close(outPipe[1]);
  close(errPipe[1]);
  if (pid < 0) {
    close(outPipe[0]);
    close(errPipe[0]);
    return run;
  }
  int pidfd = (int)syscall(SYS_pidfd_open, pid, 0);
  setNonBlocking(outPipe[0]);
  setNonBlocking(errPipe[0]);

  Player player;
  player.master = master;
  player.responder = std::move(responder);
  bool outOpen = true, errOpen = true, exited = false;
  const long long deadline = nowMs() + limitMs;
  // Runs until the child has ended and both pipes are at end of file.
  while (!exited || outOpen || errOpen) {
    struct pollfd fds[4];
    int n = 0;
    int iOut = -1, iErr = -1, iMaster = -1, iPid = -1;
    if (outOpen) { iOut = n; fds[n++] = {outPipe[0], POLLIN, 0}; }
    if (errOpen) { iErr = n; fds[n++] = {errPipe[0], POLLIN, 0}; }
    if (master >= 0) { iMaster = n; fds[n++] = {master, POLLIN, 0}; }
    if (!exited && pidfd >= 0) { iPid = n; fds[n++] = {pidfd, POLLIN, 0}; }
    long long left = deadline - nowMs();
    if (left <= 0) {
      if (!exited) kill(pid, SIGKILL);
      break;
    }
    // Without a pidfd the child's end is only seen by a periodic look.
    int wait = (pidfd < 0 && !exited && left > 50) ? 50 : (int)left;
    int r = poll(fds, (nfds_t)n, wait);
    if (r < 0 && errno != EINTR) break;
    if (iOut >= 0 && fds[iOut].revents) outOpen = drain(outPipe[0], &run.out);
    if (iErr >= 0 && fds[iErr].revents) errOpen = drain(errPipe[0], &run.err);
    if (iMaster >= 0 && (fds[iMaster].revents & POLLIN)) {
      std::string fresh;
      drain(master, &fresh);
      run.received += fresh;
      player.take(fresh);
    }
    if (!exited && (pidfd < 0 || (iPid >= 0 && fds[iPid].revents))) {
      int st;
      if (waitpid(pid, &st, WNOHANG) == pid) {
        exited = true;
        run.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
      }
    }
  }
  if (!exited) {
    int st;
    if (waitpid(pid, &st, 0) == pid)
      run.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
  }
  // Whatever the program wrote to the line before it ended.
  if (master >= 0) {
    std::string fresh;
    drain(master, &fresh);
    run.received += fresh;
  }
  drain(outPipe[0], &run.out);
  drain(errPipe[0], &run.err);
  if (pidfd >= 0) close(pidfd);
  close(outPipe[0]);
  close(errPipe[0]);
  return run;
}

}  // namespace

Run runSerialAs(const std::string &binary, const std::string &prefix,
                const std::vector<std::string> &args, Responder responder,
                int limitMs) {
  Run failed{-1, "", "pseudo-terminal not available", ""};
  int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0) return failed;
  if (grantpt(master) != 0 || unlockpt(master) != 0) {
    close(master);
    return failed;
  }
  std::string slave = ptsname(master);
  // Holding the slave open keeps the master readable (no hang-up) before the
  // program opens the line and after it closes it. Its settings are left
  // alone: the program configures the line itself.
  int keep = open(slave.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (keep < 0) {
    close(master);
    return failed;
  }
  setNonBlocking(master);
  std::vector<std::string> argv{binary, prefix + slave};
  argv.insert(argv.end(), args.begin(), args.end());
  Run run = spawn(binary, argv, master, std::move(responder), limitMs);
  close(keep);
  close(master);
  return run;
}


Run runSerial(const std::string &binary, const std::vector<std::string> &args,
              Responder responder, int limitMs) {
  return runSerialAs(binary, "ASRL", args, std::move(responder), limitMs);
}

Run runPlain(const std::string &binary, const std::vector<std::string> &args,
             int limitMs) {
  std::vector<std::string> argv{binary};
  argv.insert(argv.end(), args.begin(), args.end());
  return spawn(binary, argv, -1, {}, limitMs);
}

}  // namespace e2e
