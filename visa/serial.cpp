// serial.cpp - the ASRL transport: a raw serial line through termios.
//
// "ASRL<n>::INSTR" is /dev/ttyS<n-1>; "ASRL<path>::INSTR" is that device
// file. The line is opened without becoming our controlling terminal
// (O_NOCTTY), so a hang-up can never send SIGHUP here, and it is set raw:
// bytes pass unchanged both ways, no echo, no signal characters, CLOCAL and
// CREAD. A line that hangs up reads as end of file or POLLHUP and becomes
// VI_ERROR_CONN_LOST; a write to it fails with EIO (a tty never raises
// SIGPIPE). The descriptor is non-blocking and every wait is a poll() on
// the caller's deadline.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "transport.h"

namespace visa {
namespace {

// An owned file descriptor.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd &) = delete;
  Fd &operator=(const Fd &) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

struct BaudRate {
  ViUInt32 rate;
  speed_t code;
};

constexpr BaudRate kBaudRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

const BaudRate *findBaud(ViAttrState rate) {
  for (const BaudRate &b : kBaudRates)
    if (b.rate == rate) return &b;
  return nullptr;
}

// errno of a failed read, write or ioctl on an open line.
ViStatus lineStatus(int err) {
  switch (err) {
    case ENODEV:
    case ENXIO:
    case EPIPE:
      return VI_ERROR_CONN_LOST;
    case ENOMEM:
      return VI_ERROR_ALLOC;
    default:
      return VI_ERROR_IO;
  }
}

// errno of a failed open.
ViStatus openStatus(int err) {
  switch (err) {
    case EBUSY:
    case EACCES:
    case EPERM:
    case EAGAIN:
      return VI_ERROR_RSRC_BUSY;
    case ENOMEM:
    case EMFILE:
    case ENFILE:
      return VI_ERROR_ALLOC;
    default:  // ENOENT, ENXIO, ENODEV, EIO, ENOTTY, ENAMETOOLONG ...
      return VI_ERROR_RSRC_NFOUND;
  }
}

// The termios bits each serial attribute owns: what is compared after
// tcsetattr to see whether the line took the request.
struct Settings {
  ViUInt32 baud = 9600;
  ViUInt16 dataBits = 8;
  ViUInt16 parity = VI_ASRL_PAR_NONE;
  ViUInt16 stopBits = VI_ASRL_STOP_ONE;
  ViUInt16 flow = VI_ASRL_FLOW_NONE;
};

class SerialLine final : public Transport {
 public:
  SerialLine(int fd, ViUInt16 number) : fd_(fd), number_(number) {}

  const char *name() const override { return "ASRL"; }
  ViUInt32 interfaceType() const override { return VI_INTF_ASRL; }
  ViUInt16 interfaceNumber() const override { return number_; }
  bool termCharAlwaysEnds() const override { return true; }

  // Sets the defaults: raw, 9600 baud, 8N1, no flow control.
  ViStatus configure() {
    termios t{};
    if (tcgetattr(fd_.get(), &t) != 0) return fail(openStatus(errno), errno);
    cfmakeraw(&t);
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    t.c_cflag |= CS8 | CLOCAL | CREAD;
    t.c_iflag &= ~(IXON | IXOFF | IXANY);
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    if (tcsetattr(fd_.get(), TCSANOW, &t) != 0) return fail(openStatus(errno), errno);
    if (tcgetattr(fd_.get(), &line_) != 0) return fail(openStatus(errno), errno);
    return VI_SUCCESS;
  }

  ViStatus write(const ViByte *buf, std::size_t count, const Deadline &deadline,
                 std::size_t *sent) override {
    *sent = 0;
    while (*sent < count) {
      const ssize_t n = ::write(fd_.get(), buf + *sent, count - *sent);
      if (n > 0) {
        *sent += static_cast<std::size_t>(n);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno != EAGAIN) return fail(lineStatus(errno), errno);
      const ViStatus st = wait(POLLOUT, deadline);
      if (st != VI_SUCCESS) return st;
    }
    return VI_SUCCESS;
  }

  ViStatus read(ViByte *buf, std::size_t max, const Deadline &deadline, std::size_t *got,
                bool *end) override {
    *got = 0;
    *end = false;
    for (;;) {
      const ViStatus st = wait(POLLIN, deadline);
      if (st != VI_SUCCESS) return st;
      const ssize_t n = ::read(fd_.get(), buf, max);
      if (n > 0) {
        *got = static_cast<std::size_t>(n);
        return VI_SUCCESS;
      }
      if (n == 0) return VI_ERROR_CONN_LOST;  // hung up
      if (errno != EINTR && errno != EAGAIN) return fail(lineStatus(errno), errno);
      if (deadline.expired()) return VI_ERROR_TMO;
    }
  }

  // Device clear drops what the instrument sent and nobody has read. Bytes
  // that write() took are already the instrument's: discarding the output
  // queue would silently lose commands reported as sent (on a pseudo-terminal
  // it even deletes bytes waiting at the far end).
  ViStatus clear() override { return discard(true, false); }

  ViStatus discard(bool input, bool output) override {
    if (!input && !output) return VI_SUCCESS;
    const int queue = input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH;
    if (tcflush(fd_.get(), queue) != 0) return fail(lineStatus(errno), errno);
    return VI_SUCCESS;
  }

  ViStatus setAttribute(ViAttr attr, ViAttrState value) override {
    const termios old = line_;
    termios t = old;
    Settings next = settings_;
    tcflag_t owned = 0;  // c_cflag bits this attribute decides
    tcflag_t ownedIn = 0;  // c_iflag bits this attribute decides
    switch (attr) {
      case VI_ATTR_ASRL_BAUD: {
        const BaudRate *b = findBaud(value);
        if (!b) return VI_ERROR_NSUP_ATTR_STATE;
        cfsetispeed(&t, b->code);
        cfsetospeed(&t, b->code);
        next.baud = b->rate;
        owned = CBAUD;
        break;
      }
      case VI_ATTR_ASRL_DATA_BITS: {
        constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
        if (value < 5 || value > 8) return VI_ERROR_NSUP_ATTR_STATE;
        if (settings_.stopBits == VI_ASRL_STOP_ONE5 && value != 5)
          return VI_ERROR_NSUP_ATTR_STATE;  // 1.5 stop bits exist only with 5 data bits
        if (settings_.stopBits == VI_ASRL_STOP_TWO && value == 5)
          return VI_ERROR_NSUP_ATTR_STATE;  // with 5 data bits CSTOPB means 1.5
        t.c_cflag = (t.c_cflag & ~CSIZE) | kSizes[value - 5];
        next.dataBits = static_cast<ViUInt16>(value);
        owned = CSIZE;
        break;
      }
      case VI_ATTR_ASRL_PARITY: {
        tcflag_t bits = 0;
        switch (value) {
          case VI_ASRL_PAR_NONE: bits = 0; break;
          case VI_ASRL_PAR_ODD: bits = PARENB | PARODD; break;
          case VI_ASRL_PAR_EVEN: bits = PARENB; break;
          case VI_ASRL_PAR_MARK: bits = PARENB | CMSPAR | PARODD; break;
          case VI_ASRL_PAR_SPACE: bits = PARENB | CMSPAR; break;
          default: return VI_ERROR_NSUP_ATTR_STATE;
        }
        owned = PARENB | PARODD | CMSPAR;
        t.c_cflag = (t.c_cflag & ~owned) | bits;
        next.parity = static_cast<ViUInt16>(value);
        break;
      }
      case VI_ATTR_ASRL_STOP_BITS: {
        // CSTOPB is two stop bits, or one and a half with 5 data bits.
        const bool five = settings_.dataBits == 5;
        bool two = false;
        if (value == VI_ASRL_STOP_ONE) two = false;
        else if (value == VI_ASRL_STOP_TWO && !five) two = true;
        else if (value == VI_ASRL_STOP_ONE5 && five) two = true;
        else return VI_ERROR_NSUP_ATTR_STATE;
        t.c_cflag = two ? (t.c_cflag | CSTOPB) : (t.c_cflag & ~CSTOPB);
        next.stopBits = static_cast<ViUInt16>(value);
        owned = CSTOPB;
        break;
      }
      case VI_ATTR_ASRL_FLOW_CNTRL: {
        owned = CRTSCTS;
        ownedIn = IXON | IXOFF;
        t.c_cflag &= ~CRTSCTS;
        t.c_iflag &= ~(IXON | IXOFF);
        if (value == VI_ASRL_FLOW_XON_XOFF) t.c_iflag |= IXON | IXOFF;
        else if (value == VI_ASRL_FLOW_RTS_CTS) t.c_cflag |= CRTSCTS;
        else if (value != VI_ASRL_FLOW_NONE) return VI_ERROR_NSUP_ATTR_STATE;  // DTR/DSR too
        next.flow = static_cast<ViUInt16>(value);
        break;
      }
      default:
        return VI_ERROR_NSUP_ATTR;
    }
    if (tcsetattr(fd_.get(), TCSANOW, &t) != 0) {
      const int err = errno;
      return fail(err == EINVAL ? VI_ERROR_NSUP_ATTR_STATE : lineStatus(err), err);
    }
    // tcsetattr succeeds when any part of the request was taken: read the
    // line back and undo the change when this attribute's part was dropped.
    termios now{};
    if (tcgetattr(fd_.get(), &now) != 0) return fail(lineStatus(errno), errno);
    const bool taken = (now.c_cflag & owned) == (t.c_cflag & owned) &&
                       (now.c_iflag & ownedIn) == (t.c_iflag & ownedIn) &&
                       cfgetospeed(&now) == cfgetospeed(&t);
    if (!taken) {
      tcsetattr(fd_.get(), TCSANOW, &old);
      return VI_ERROR_NSUP_ATTR_STATE;
    }
    settings_ = next;
    line_ = now;
    return VI_SUCCESS;
  }

  ViStatus getAttribute(ViAttr attr, void *value) const override {
    ViUInt16 v16 = 0;
    switch (attr) {
      case VI_ATTR_ASRL_BAUD:
        *static_cast<ViUInt32 *>(value) = settings_.baud;
        return VI_SUCCESS;
      case VI_ATTR_ASRL_DATA_BITS: v16 = settings_.dataBits; break;
      case VI_ATTR_ASRL_PARITY: v16 = settings_.parity; break;
      case VI_ATTR_ASRL_STOP_BITS: v16 = settings_.stopBits; break;
      case VI_ATTR_ASRL_FLOW_CNTRL: v16 = settings_.flow; break;
      default: return VI_ERROR_NSUP_ATTR;
    }
    *static_cast<ViUInt16 *>(value) = v16;
    return VI_SUCCESS;
  }

 private:
  // Waits for events on the line until the deadline.
  ViStatus wait(short events, const Deadline &deadline) {
    for (;;) {
      pollfd p{fd_.get(), events, 0};
      const int r = ::poll(&p, 1, deadline.pollTimeout());
      if (r < 0) {
        if (errno == EINTR) continue;
        return fail(lineStatus(errno), errno);
      }
      if (r == 0) return VI_ERROR_TMO;
      if (p.revents & events) return VI_SUCCESS;  // a read then sees a hang-up as end of file
      if (p.revents & POLLNVAL) return VI_ERROR_IO;
      return VI_ERROR_CONN_LOST;  // POLLHUP / POLLERR
    }
  }

  Fd fd_;
  ViUInt16 number_;
  termios line_{};  // the line's settings as last read back; only we change them
  Settings settings_;
};

}  // namespace

ViStatus openSerial(const Resource &rsrc, std::unique_ptr<Transport> *out) {
  if (!rsrc.rest.empty() || rsrc.board.empty()) return VI_ERROR_INV_RSRC_NAME;
  std::string path;
  ViUInt16 number = 0;
  if (rsrc.board.front() == '/') {
    path = rsrc.board;
  } else {
    if (rsrc.board.find_first_not_of("0123456789") != std::string::npos)
      return VI_ERROR_INV_RSRC_NAME;
    // Well formed; a line number out of the ports' range names no device.
    if (rsrc.board.size() > 5) return VI_ERROR_RSRC_NFOUND;
    const unsigned long n = std::strtoul(rsrc.board.c_str(), nullptr, 10);
    if (n < 1 || n > 0xFFFF) return VI_ERROR_RSRC_NFOUND;
    number = static_cast<ViUInt16>(n);
    path = "/dev/ttyS" + std::to_string(n - 1);
  }
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return openStatus(errno);
  auto line = std::make_unique<SerialLine>(fd, number);
  const ViStatus st = line->configure();
  if (st != VI_SUCCESS) return st;
  *out = std::move(line);
  return VI_SUCCESS;
}

}  // namespace visa
