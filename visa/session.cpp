// session.cpp - sessions and their policy over the transports.
#include "session.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <map>
#include <memory>
#include <vector>

#include "deadline.h"
#include "rsrc.h"
#include "transport.h"

namespace visa {
namespace {

constexpr std::size_t kReadBlock = 4096;  // bytes asked of a transport at once
constexpr ViUInt32 kDefaultTimeout = 2000;
constexpr ViByte kDefaultTermChar = 0x0A;
constexpr ViSession kFirstHandle = 0x00010001;

struct Session {
  ViSession rm = VI_NULL;  // the resource manager that opened it; VI_NULL for one
  std::unique_ptr<Transport> io;  // null for a resource manager
  ViUInt32 timeout = kDefaultTimeout;
  ViByte termChar = kDefaultTermChar;
  bool termCharEnabled = false;
  // Bytes read from the transport and not yet handed out: in[pos, end).
  // inEnd: the byte at end-1 carried END.
  std::vector<ViByte> in;
  std::size_t pos = 0, end = 0;
  bool inEnd = false;

  bool isRM() const { return !io; }
  void dropInput() {
    pos = end = 0;
    inEnd = false;
  }
};

// Sessions by handle; built on first use, so nothing runs at start-up.
std::map<ViSession, std::unique_ptr<Session>> &sessions() {
  static std::map<ViSession, std::unique_ptr<Session>> table;
  return table;
}

ViSession g_nextHandle = kFirstHandle;  // never reused within a process

Session *find(ViSession vi) {
  auto &t = sessions();
  auto it = t.find(vi);
  return it == t.end() ? nullptr : it->second.get();
}

ViStatus add(std::unique_ptr<Session> s, ViSession *vi) {
  if (g_nextHandle == 0) return VI_ERROR_ALLOC;  // all 2^32 handles used
  const ViSession h = g_nextHandle;
  sessions().emplace(h, std::move(s));
  ++g_nextHandle;
  *vi = h;
  return VI_SUCCESS;
}

// One read under one deadline: the termination character (where it counts),
// END, and the count end it; bytes past the end stay for the next read.
ViStatus readWithin(Session &s, ViByte *buf, std::size_t count, const Deadline &deadline,
                    std::size_t *got) {
  const bool useTermChar = s.termCharEnabled || s.io->termCharAlwaysEnds();
  std::size_t n = 0;
  for (;;) {
    while (s.pos < s.end && n < count) {
      const ViByte b = s.in[s.pos++];
      buf[n++] = b;
      if (useTermChar && b == s.termChar) {
        *got = n;
        return VI_SUCCESS_TERM_CHAR;
      }
      if (s.pos == s.end && s.inEnd) {
        s.inEnd = false;
        *got = n;
        return VI_SUCCESS;
      }
    }
    if (n == count) {
      *got = n;
      return VI_SUCCESS_MAX_CNT;
    }
    if (s.in.size() < kReadBlock) s.in.resize(kReadBlock);
    std::size_t fresh = 0;
    bool end = false;
    const ViStatus st = s.io->read(s.in.data(), s.in.size(), deadline, &fresh, &end);
    if (st != VI_SUCCESS) {
      *got = n;
      return st;
    }
    s.pos = 0;
    s.end = fresh;
    s.inEnd = end;
  }
}

// A device session for vi, or the status that refuses the call.
ViStatus device(ViSession vi, Session **out) {
  Session *s = find(vi);
  if (!s) return VI_ERROR_INV_OBJECT;
  if (s->isRM()) return VI_ERROR_NSUP_OPER;
  *out = s;
  return VI_SUCCESS;
}

// Writes all of data to fd.
bool writeAll(int fd, const ViByte *data, std::size_t n) {
  while (n > 0) {
    const ssize_t w = ::write(fd, data, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    data += w;
    n -= static_cast<std::size_t>(w);
  }
  return true;
}

}  // namespace

ViStatus openDefaultRM(ViSession *vi) {
  if (!vi) return VI_ERROR_INV_PARAMETER;
  *vi = VI_NULL;
  return add(std::make_unique<Session>(), vi);
}

ViStatus open(ViSession rm, const char *name, ViAccessMode mode, ViSession *vi) {
  if (!vi || !name) return VI_ERROR_INV_PARAMETER;
  *vi = VI_NULL;
  Session *m = find(rm);
  if (!m) return VI_ERROR_INV_OBJECT;
  if (!m->isRM()) return VI_ERROR_NSUP_OPER;
  if (mode != VI_NULL) return VI_ERROR_INV_ACC_MODE;

  Resource rsrc;
  ViStatus st = parseResource(name, &rsrc);
  if (st != VI_SUCCESS) return st;
  TransportFactory factory = nullptr;
  st = findTransport(rsrc.type, &factory);
  if (st != VI_SUCCESS) return st;
  if (!equalsNoCase(rsrc.resourceClass, "INSTR")) return VI_ERROR_INV_RSRC_NAME;
  auto s = std::make_unique<Session>();
  st = factory(rsrc, &s->io);
  if (st != VI_SUCCESS) return st;
  s->rm = rm;
  return add(std::move(s), vi);
}

ViStatus close(ViSession vi) {
  Session *s = find(vi);
  if (!s) return VI_ERROR_INV_OBJECT;
  auto &t = sessions();
  if (s->isRM()) {
    for (auto it = t.begin(); it != t.end();) {
      if (it->second->rm == vi) it = t.erase(it);
      else ++it;
    }
  }
  t.erase(vi);
  return VI_SUCCESS;
}

ViStatus setAttribute(ViSession vi, ViAttr attr, ViAttrState value) {
  Session *s = find(vi);
  if (!s) return VI_ERROR_INV_OBJECT;
  if (s->isRM()) return VI_ERROR_NSUP_ATTR;
  switch (attr) {
    case VI_ATTR_TMO_VALUE:
      if (value > 0xFFFFFFFFu) return VI_ERROR_NSUP_ATTR_STATE;
      s->timeout = static_cast<ViUInt32>(value);
      return VI_SUCCESS;
    case VI_ATTR_TERMCHAR:
      if (value > 0xFF) return VI_ERROR_NSUP_ATTR_STATE;
      s->termChar = static_cast<ViByte>(value);
      return VI_SUCCESS;
    case VI_ATTR_TERMCHAR_EN:
      if (value > 1) return VI_ERROR_NSUP_ATTR_STATE;
      s->termCharEnabled = value == 1;
      return VI_SUCCESS;
    case VI_ATTR_INTF_TYPE:
    case VI_ATTR_INTF_NUM:
      return VI_ERROR_ATTR_READONLY;
    default:
      return s->io->setAttribute(attr, value);
  }
}

ViStatus getAttribute(ViSession vi, ViAttr attr, void *value) {
  Session *s = find(vi);
  if (!s) return VI_ERROR_INV_OBJECT;
  if (!value) return VI_ERROR_INV_PARAMETER;
  if (s->isRM()) return VI_ERROR_NSUP_ATTR;
  switch (attr) {
    case VI_ATTR_TMO_VALUE:
      *static_cast<ViUInt32 *>(value) = s->timeout;
      return VI_SUCCESS;
    case VI_ATTR_TERMCHAR:
      *static_cast<ViByte *>(value) = s->termChar;
      return VI_SUCCESS;
    case VI_ATTR_TERMCHAR_EN:
      *static_cast<ViUInt16 *>(value) = s->termCharEnabled ? VI_TRUE : VI_FALSE;
      return VI_SUCCESS;
    case VI_ATTR_INTF_TYPE:
      *static_cast<ViUInt32 *>(value) = s->io->interfaceType();
      return VI_SUCCESS;
    case VI_ATTR_INTF_NUM:
      *static_cast<ViUInt16 *>(value) = s->io->interfaceNumber();
      return VI_SUCCESS;
    default:
      return s->io->getAttribute(attr, value);
  }
}

ViStatus write(ViSession vi, const ViByte *buf, ViUInt32 count, ViUInt32 *sent) {
  *sent = 0;
  Session *s = nullptr;
  ViStatus st = device(vi, &s);
  if (st != VI_SUCCESS) return st;
  if (!buf && count > 0) return VI_ERROR_INV_PARAMETER;
  std::size_t n = 0;
  st = s->io->write(buf, count, Deadline(s->timeout), &n);
  *sent = static_cast<ViUInt32>(n);
  return st;
}

ViStatus read(ViSession vi, ViByte *buf, ViUInt32 count, ViUInt32 *got) {
  *got = 0;
  Session *s = nullptr;
  ViStatus st = device(vi, &s);
  if (st != VI_SUCCESS) return st;
  if (!buf && count > 0) return VI_ERROR_INV_PARAMETER;
  std::size_t n = 0;
  st = readWithin(*s, buf, count, Deadline(s->timeout), &n);
  *got = static_cast<ViUInt32>(n);
  return st;
}

ViStatus readToFile(ViSession vi, const char *fileName, ViUInt32 count, ViUInt32 *got) {
  *got = 0;
  Session *s = nullptr;
  ViStatus st = device(vi, &s);
  if (st != VI_SUCCESS) return st;
  if (!fileName) return VI_ERROR_FILE_ACCESS;
  const int fd = ::open(fileName, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return VI_ERROR_FILE_ACCESS;

  // One read of at most count bytes, passed on to the file a block at a time.
  const Deadline deadline(s->timeout);
  std::vector<ViByte> block(kReadBlock);
  std::size_t left = count;
  bool fileOk = true;
  do {
    const std::size_t want = left < block.size() ? left : block.size();
    std::size_t n = 0;
    st = readWithin(*s, block.data(), want, deadline, &n);
    fileOk = fileOk && writeAll(fd, block.data(), n);
    left -= n;
    *got += static_cast<ViUInt32>(n);
  } while (st == VI_SUCCESS_MAX_CNT && left > 0);
  if (::close(fd) != 0) fileOk = false;
  return fileOk ? st : VI_ERROR_FILE_IO;
}

ViStatus readSTB(ViSession vi, ViUInt16 *stb) {
  Session *s = nullptr;
  ViStatus st = device(vi, &s);
  if (st != VI_SUCCESS) return st;
  if (!stb) return VI_ERROR_INV_PARAMETER;
  if (!s->io->hasStatusByte()) return VI_ERROR_NSUP_OPER;
  return s->io->readStatusByte(stb);
}

ViStatus clear(ViSession vi) {
  Session *s = find(vi);
  if (!s) return VI_ERROR_INV_OBJECT;
  if (s->isRM()) return VI_SUCCESS;  // holds no buffers and no device
  s->dropInput();
  return s->io->clear();
}

ViStatus flush(ViSession vi, ViUInt16 mask) {
  constexpr ViUInt16 kFlushMasks =
      VI_READ_BUF_DISCARD | VI_WRITE_BUF_DISCARD | VI_IO_IN_BUF_DISCARD | VI_IO_OUT_BUF_DISCARD;
  Session *s = find(vi);
  if (!s) return VI_ERROR_INV_OBJECT;
  if (mask & ~kFlushMasks) return VI_ERROR_INV_MASK;
  if (s->isRM()) return VI_SUCCESS;
  if (mask & VI_READ_BUF_DISCARD) s->dropInput();
  // VI_WRITE_BUF_DISCARD: writes are not buffered in the session.
  return s->io->discard(mask & VI_IO_IN_BUF_DISCARD, mask & VI_IO_OUT_BUF_DISCARD);
}

ViStatus setBuf(ViSession vi, ViUInt16 mask, ViUInt32) {
  constexpr ViUInt16 kBufMasks = VI_READ_BUF | VI_WRITE_BUF | VI_IO_IN_BUF | VI_IO_OUT_BUF;
  Session *s = find(vi);
  if (!s) return VI_ERROR_INV_OBJECT;
  if (s->isRM()) return VI_ERROR_NSUP_OPER;
  if (mask & ~kBufMasks) return VI_ERROR_INV_MASK;
  // Any size is accepted: the session reads in blocks of its own and the
  // line's queues belong to the kernel.
  return VI_SUCCESS;
}

const char *transportName(ViSession vi) {
  const Session *s = find(vi);
  if (!s) return "-";
  return s->isRM() ? "RM" : s->io->name();
}

int takeErrno(ViSession vi) {
  Session *s = find(vi);
  return s && s->io ? s->io->takeErrno() : 0;
}

}  // namespace visa
