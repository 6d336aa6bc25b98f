// api.cpp - the C API: every vi* call passes here once. This is the one
// place that catches exceptions (none crosses into C) and the one trace
// point: after the call, one line with its arguments, the bytes moved, the
// status and the transport that did the work.
#include <cstring>
#include <new>
#include <string>

#include "session.h"
#include "trace.h"
#include "visa.h"

namespace {

using visa::trace::format;

template <class Call>
ViStatus guarded(Call &&call) noexcept {
  try {
    return call();
  } catch (const std::bad_alloc &) {
    return VI_ERROR_ALLOC;
  } catch (...) {
    return VI_ERROR_SYSTEM_ERROR;
  }
}

// Writes the trace line for one call: "<call>(<args>) -> <status>[ <extra>]",
// with the system's words for a failed system call behind vi, if any.
template <class Args>
void traced(ViSession vi, const char *transport, const char *call, Args &&args,
            ViStatus st, const std::string &extra = std::string()) noexcept {
  const int err = visa::takeErrno(vi);
  if (!visa::trace::on()) return;
  try {
    std::string line = format("%s(%s", call, visa::trace::session(vi, transport).c_str());
    const std::string a = args();
    if (!a.empty()) line += ", " + a;
    line += ") -> " + visa::trace::status(st);
    if (!extra.empty()) line += " " + extra;
    if (err != 0) line += format(" errno=\"%s\"", std::strerror(err));
    visa::trace::emit(line);
  } catch (...) {
    // A trace that cannot be written changes nothing.
  }
}

std::string attrValue(ViAttr attr, const void *value) {
  switch (attr) {
    case VI_ATTR_TMO_VALUE:
    case VI_ATTR_ASRL_BAUD:
    case VI_ATTR_INTF_TYPE:
      return format("value=%u", static_cast<unsigned>(*static_cast<const ViUInt32 *>(value)));
    case VI_ATTR_TERMCHAR:
      return format("value=0x%02X", static_cast<unsigned>(*static_cast<const ViByte *>(value)));
    default:
      return format("value=%u", static_cast<unsigned>(*static_cast<const ViUInt16 *>(value)));
  }
}

}  // namespace

extern "C" {

ViStatus viOpenDefaultRM(ViPSession vi) {
  const ViStatus st = guarded([&] {
    visa::trace::configureFromEnvironment();
    return visa::openDefaultRM(vi);
  });
  if (visa::trace::on()) {
    try {
      visa::trace::emit("viOpenDefaultRM() -> " + visa::trace::status(st) +
                        (st == VI_SUCCESS ? format(" vi=0x%08X", static_cast<unsigned>(*vi))
                                          : std::string()));
    } catch (...) {
    }
  }
  return st;
}

ViStatus viOpen(ViSession rm, ViRsrc name, ViAccessMode mode, ViUInt32 timeout, ViPSession vi) {
  const char *via = visa::transportName(rm);
  const ViStatus st = guarded([&] { return visa::open(rm, name, mode, vi); });
  traced(rm, via, "viOpen",
         [&] {
           return (name ? visa::trace::bytes(name, std::strlen(name)) : std::string("NULL")) +
                  format(", %u, %u", static_cast<unsigned>(mode), static_cast<unsigned>(timeout));
         },
         st,
         st == VI_SUCCESS ? format("vi=0x%08X %s", static_cast<unsigned>(*vi),
                                   visa::transportName(*vi))
                          : std::string());
  return st;
}

ViStatus viClose(ViObject vi) {
  const char *via = visa::transportName(vi);
  const ViStatus st = guarded([&] { return visa::close(vi); });
  traced(vi, via, "viClose", [] { return std::string(); }, st);
  return st;
}

ViStatus viSetAttribute(ViObject vi, ViAttr attr, ViAttrState value) {
  const ViStatus st = guarded([&] { return visa::setAttribute(vi, attr, value); });
  traced(vi, visa::transportName(vi), "viSetAttribute",
         [&] {
           return visa::trace::attribute(attr) +
                  format(", %llu", static_cast<unsigned long long>(value));
         },
         st);
  return st;
}

ViStatus viGetAttribute(ViObject vi, ViAttr attr, void *value) {
  const ViStatus st = guarded([&] { return visa::getAttribute(vi, attr, value); });
  traced(vi, visa::transportName(vi), "viGetAttribute",
         [&] { return visa::trace::attribute(attr); }, st,
         st == VI_SUCCESS ? attrValue(attr, value) : std::string());
  return st;
}

ViStatus viWrite(ViSession vi, ViConstBuf buf, ViUInt32 count, ViPUInt32 retCount) {
  ViUInt32 sent = 0;
  const ViStatus st = guarded([&] { return visa::write(vi, buf, count, &sent); });
  if (retCount) *retCount = sent;
  traced(vi, visa::transportName(vi), "viWrite",
         [&] {
           return visa::trace::bytes(buf, count) + format(", %u", static_cast<unsigned>(count));
         },
         st, format("count=%u", static_cast<unsigned>(sent)));
  return st;
}

ViStatus viRead(ViSession vi, ViBuf buf, ViUInt32 count, ViPUInt32 retCount) {
  ViUInt32 got = 0;
  const ViStatus st = guarded([&] { return visa::read(vi, buf, count, &got); });
  if (retCount) *retCount = got;
  traced(vi, visa::transportName(vi), "viRead",
         [&] { return format("%u", static_cast<unsigned>(count)); }, st,
         format("count=%u ", static_cast<unsigned>(got)) + visa::trace::bytes(buf, got));
  return st;
}

ViStatus viReadToFile(ViSession vi, ViConstString fileName, ViUInt32 count,
                      ViPUInt32 retCount) {
  ViUInt32 got = 0;
  const ViStatus st = guarded([&] { return visa::readToFile(vi, fileName, count, &got); });
  if (retCount) *retCount = got;
  traced(vi, visa::transportName(vi), "viReadToFile",
         [&] {
           return (fileName ? visa::trace::bytes(fileName, std::strlen(fileName))
                            : std::string("NULL")) +
                  format(", %u", static_cast<unsigned>(count));
         },
         st, format("count=%u", static_cast<unsigned>(got)));
  return st;
}

ViStatus viReadSTB(ViSession vi, ViPUInt16 status) {
  const ViStatus st = guarded([&] { return visa::readSTB(vi, status); });
  traced(vi, visa::transportName(vi), "viReadSTB", [] { return std::string(); }, st,
         st == VI_SUCCESS ? format("stb=0x%02X", static_cast<unsigned>(*status)) : std::string());
  return st;
}

ViStatus viClear(ViSession vi) {
  const ViStatus st = guarded([&] { return visa::clear(vi); });
  traced(vi, visa::transportName(vi), "viClear", [] { return std::string(); }, st);
  return st;
}

ViStatus viFlush(ViSession vi, ViUInt16 mask) {
  const ViStatus st = guarded([&] { return visa::flush(vi, mask); });
  traced(vi, visa::transportName(vi), "viFlush",
         [&] { return format("%u", static_cast<unsigned>(mask)); }, st);
  return st;
}

ViStatus viSetBuf(ViSession vi, ViUInt16 mask, ViUInt32 size) {
  const ViStatus st = guarded([&] { return visa::setBuf(vi, mask, size); });
  traced(vi, visa::transportName(vi), "viSetBuf",
         [&] { return format("%u, %u", static_cast<unsigned>(mask), static_cast<unsigned>(size)); },
         st);
  return st;
}

}  // extern "C"
