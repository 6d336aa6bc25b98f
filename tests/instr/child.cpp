// child.cpp - forked children for the session library's tests; see child.h.
#include "child.h"

#include <errno.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include "visa_double.h"

namespace {

struct Running {
  pid_t pid = -1;
  int fd[3] = {-1, -1, -1};  // read ends: stdout, stderr, call log
};

void fail(const char* what) {
  perror(what);
  abort();
}

Running start(const std::function<void()>& body) {
  int p[3][2];
  for (auto& pp : p)
    if (pipe(pp) != 0) fail("pipe");
  fflush(nullptr);  // nothing buffered in the parent may come out twice
  pid_t pid = fork();
  if (pid < 0) fail("fork");
  if (pid == 0) {
    dup2(p[0][1], STDOUT_FILENO);
    dup2(p[1][1], STDERR_FILENO);
    for (auto& pp : p) close(pp[0]);
    close(p[0][1]);
    close(p[1][1]);
    vd::logTo(p[2][1]);
    body();
    fflush(nullptr);
    _exit(0);
  }
  Running r;
  r.pid = pid;
  for (int i = 0; i < 3; i++) {
    close(p[i][1]);
    r.fd[i] = p[i][0];
  }
  return r;
}

}  // namespace

std::vector<ChildResult> runChildren(const std::vector<std::function<void()>>& bodies) {
  std::vector<Running> kids;
  for (const auto& body : bodies) kids.push_back(start(body));
  std::vector<ChildResult> results(kids.size(), ChildResult{0, "", "", ""});

  for (;;) {
    std::vector<pollfd> fds;
    std::vector<std::pair<size_t, int>> owner;
    for (size_t k = 0; k < kids.size(); k++)
      for (int i = 0; i < 3; i++)
        if (kids[k].fd[i] >= 0) {
          fds.push_back(pollfd{kids[k].fd[i], POLLIN, 0});
          owner.emplace_back(k, i);
        }
    if (fds.empty()) break;
    if (poll(fds.data(), fds.size(), -1) < 0) {
      if (errno == EINTR) continue;
      fail("poll");
    }
    for (size_t j = 0; j < fds.size(); j++) {
      if (fds[j].revents == 0) continue;
      char buf[4096];
      ssize_t n = read(fds[j].fd, buf, sizeof buf);
      if (n < 0 && errno == EINTR) continue;
      auto [k, i] = owner[j];
      if (n <= 0) {
        close(kids[k].fd[i]);
        kids[k].fd[i] = -1;
        continue;
      }
      std::string& dst = i == 0 ? results[k].out : i == 1 ? results[k].err : results[k].calls;
      dst.append(buf, static_cast<size_t>(n));
    }
  }

  for (size_t k = 0; k < kids.size(); k++) {
    int st = 0;
    while (waitpid(kids[k].pid, &st, 0) < 0)
      if (errno != EINTR) fail("waitpid");
    results[k].status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
  }
  return results;
}

ChildResult runChild(const std::function<void()>& body) {
  return runChildren({body})[0];
}
