// main.cpp - fgsim: serves a simulated instrument on a pseudo-terminal.
//
//   fgsim MODEL [KEY=VALUE...]
//
// Prints "ASRL<slave path>" and a newline on standard output as soon as the
// line is ready; a controller opens "ASRL<slave path>::INSTR". Every line the
// controller sends is logged on standard error as "<- text" and every reply
// as "-> text" (control bytes escaped). Runs until SIGINT, SIGTERM or SIGHUP,
// then prints the model's describe() line on standard output and exits with
// status 0. Wrong arguments: a usage text and status 2; a system failure:
// a message and status 1.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "instrument.h"

namespace {

void usage() {
  std::fprintf(stderr,
               "usage: fgsim MODEL [KEY=VALUE...]\n"
               "  MODEL  FG503 or 33220A\n"
               "  33220A settings: FREQ=<hertz> FUNC=<SIN|SQU|RAMP|PULS|NOIS|DC|USER>\n"
               "Prints ASRL<pty path>; serves until SIGINT/SIGTERM/SIGHUP.\n");
}

int fail(const char *what) {
  std::fprintf(stderr, "fgsim: %s: %s\n", what, std::strerror(errno));
  return 1;
}

// Printable bytes as they are; CR, LF, tab and backslash as C escapes; the
// rest as \xNN.
std::string escape(const std::string &bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    switch (c) {
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\\': out += "\\\\"; break;
      default:
        if (c >= 0x20 && c < 0x7f) {
          out += static_cast<char>(c);
        } else {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\x%02X", c);
          out += buf;
        }
    }
  }
  return out;
}

// Collects a byte stream into lines (each ending in LF) for the log.
class LineLog {
 public:
  explicit LineLog(const char *arrow) : arrow_(arrow) {}
  void add(const char *data, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
      part_ += data[i];
      if (data[i] == '\n') flush();
    }
  }
  void flush() {
    if (part_.empty()) return;
    std::fprintf(stderr, "%s %s\n", arrow_, escape(part_).c_str());
    part_.clear();
  }

 private:
  const char *arrow_;
  std::string part_;
};

bool setRaw(int fd) {
  termios t{};
  if (tcgetattr(fd, &t) != 0) return false;
  cfmakeraw(&t);
  t.c_cflag |= CLOCAL | CREAD;
  return tcsetattr(fd, TCSANOW, &t) == 0;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 2 || argv[1][0] == '-') {
    usage();
    return 2;
  }
  std::vector<std::string> settings(argv + 2, argv + argc);
  std::string why;
  std::unique_ptr<sim::Instrument> model = sim::make(argv[1], settings, &why);
  if (!model) {
    std::fprintf(stderr, "fgsim: %s\n", why.c_str());
    usage();
    return 2;
  }

  // Signals arrive through a descriptor so that poll() sees them.
  sigset_t mask;
  sigemptyset(&mask);
  sigaddset(&mask, SIGINT);
  sigaddset(&mask, SIGTERM);
  sigaddset(&mask, SIGHUP);
  if (sigprocmask(SIG_BLOCK, &mask, nullptr) != 0) return fail("sigprocmask");
  const int sigfd = signalfd(-1, &mask, SFD_CLOEXEC);
  if (sigfd < 0) return fail("signalfd");
  std::signal(SIGPIPE, SIG_IGN);

  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0) return fail("posix_openpt");
  if (grantpt(master) != 0 || unlockpt(master) != 0) return fail("grantpt/unlockpt");
  char path[128];
  if (ptsname_r(master, path, sizeof path) != 0) return fail("ptsname_r");
  // Our own slave descriptor stays open for the whole run: without it the
  // master reports EIO (again and again) whenever no controller has the line
  // open.
  const int slave = open(path, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave < 0) return fail("open slave");
  if (!setRaw(slave)) return fail("raw mode");
  const int flags = fcntl(master, F_GETFL);
  if (flags < 0 || fcntl(master, F_SETFL, flags | O_NONBLOCK) != 0) return fail("fcntl");

  std::printf("ASRL%s\n", path);
  std::fflush(stdout);

  LineLog received("<-");
  LineLog replied("->");
  std::string toSend;  // replies not yet taken by the pseudo-terminal
  bool running = true;
  while (running) {
    pollfd fds[2] = {{master, static_cast<short>(POLLIN | (toSend.empty() ? 0 : POLLOUT)), 0},
                     {sigfd, POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return fail("poll");
    }
    if (fds[1].revents & POLLIN) {
      signalfd_siginfo info;
      if (read(sigfd, &info, sizeof info) > 0) running = false;
    }
    if (fds[0].revents & POLLIN) {
      char buf[4096];
      const ssize_t n = read(master, buf, sizeof buf);
      if (n > 0) {
        // One line at a time, its reply moved out before the next line: a
        // serial instrument sends a reply as soon as it is made, so lines
        // that arrive together must not interrupt each other's queries.
        std::string_view rest(buf, static_cast<std::size_t>(n));
        while (!rest.empty()) {
          const std::size_t lf = rest.find('\n');
          const std::size_t len = lf == std::string_view::npos ? rest.size() : lf + 1;
          received.add(rest.data(), len);
          model->receive(rest.substr(0, len));
          rest.remove_prefix(len);
          while (model->pending() > 0) {
            char rbuf[4096];
            const std::size_t got = model->take(rbuf, sizeof rbuf);
            replied.add(rbuf, got);
            toSend.append(rbuf, got);
          }
        }
      } else if (n < 0 && errno != EAGAIN && errno != EINTR && errno != EIO) {
        return fail("read");
      }
    }
    if ((fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) && !(fds[0].revents & POLLIN)) {
      // Cannot happen while our own slave descriptor is open; never spin.
      std::fprintf(stderr, "fgsim: pseudo-terminal failed\n");
      return 1;
    }
    if ((fds[0].revents & POLLOUT) && !toSend.empty()) {
      const ssize_t n = write(master, toSend.data(), toSend.size());
      if (n > 0) toSend.erase(0, static_cast<std::size_t>(n));
      else if (n < 0 && errno != EAGAIN && errno != EINTR) return fail("write");
    }
  }
  received.flush();
  replied.flush();
  close(slave);
  close(master);
  std::printf("%s\n", model->describe().c_str());
  return 0;
}
