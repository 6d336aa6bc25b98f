// visa_double.cpp - the scripted VISA stand-in; see visa_double.h.
#include "visa_double.h"

#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <deque>
#include <map>

namespace vd {
namespace {

std::map<std::string, std::deque<Reply>> queues;
std::vector<std::string> callLog;
int logFd = -1;

Reply next(const char* fn) {
  auto it = queues.find(fn);
  if (it == queues.end() || it->second.empty()) return Reply();
  Reply r = it->second.front();
  it->second.pop_front();
  return r;
}

// An error status leaves out-values alone unless the reply gives one.
bool stores(const Reply& r) { return r.hasValue || r.status >= 0; }

std::string quote(const void* bytes, size_t n) {
  const unsigned char* p = static_cast<const unsigned char*>(bytes);
  std::string s = "\"";
  for (size_t i = 0; i < n; i++) {
    unsigned char c = p[i];
    switch (c) {
      case '\r': s += "\\r"; break;
      case '\n': s += "\\n"; break;
      case '\t': s += "\\t"; break;
      case '\\': s += "\\\\"; break;
      case '"': s += "\\\""; break;
      default:
        if (c < 0x20 || c >= 0x7F) {
          char hex[8];
          snprintf(hex, sizeof hex, "\\x%02X", c);
          s += hex;
        } else {
          s += static_cast<char>(c);
        }
    }
  }
  return s + "\"";
}

std::string quote(const char* text) {
  return text ? quote(text, strlen(text)) : std::string("NULL");
}

void record(std::string text) {
  if (logFd >= 0) {
    std::string line = text + "\n";
    const char* p = line.data();
    size_t left = line.size();
    while (left > 0) {
      ssize_t n = write(logFd, p, left);
      if (n <= 0) break;
      p += n;
      left -= static_cast<size_t>(n);
    }
  }
  callLog.push_back(std::move(text));
}

std::string num(unsigned long long v) { return std::to_string(v); }

std::string attr(ViAttr a) {
  char buf[16];
  snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(a));
  return buf;
}

}  // namespace

void reset() {
  queues.clear();
  callLog.clear();
}

void push(const std::string& fn, Reply r) { queues[fn].push_back(std::move(r)); }

void pushStatuses(const std::string& fn, std::initializer_list<ViStatus> statuses) {
  for (ViStatus s : statuses) {
    Reply r;
    r.status = s;
    push(fn, r);
  }
}

const std::vector<std::string>& calls() { return callLog; }

void logTo(int fd) { logFd = fd; }

}  // namespace vd

using vd::Reply;

extern "C" {

ViStatus viOpenDefaultRM(ViPSession vi) {
  vd::record("viOpenDefaultRM()");
  Reply r = vd::next("viOpenDefaultRM");
  if (vi && vd::stores(r)) *vi = r.hasValue ? r.value : 1;
  return r.status;
}

ViStatus viOpen(ViSession rm, ViRsrc name, ViAccessMode mode, ViUInt32 timeout,
                ViPSession vi) {
  vd::record("viOpen(" + vd::num(rm) + "," + vd::quote(name) + "," + vd::num(mode) +
             "," + vd::num(timeout) + ")");
  Reply r = vd::next("viOpen");
  if (vi && vd::stores(r)) *vi = r.hasValue ? r.value : 2;
  return r.status;
}

ViStatus viClose(ViObject vi) {
  vd::record("viClose(" + vd::num(vi) + ")");
  return vd::next("viClose").status;
}

ViStatus viSetAttribute(ViObject vi, ViAttr attr, ViAttrState value) {
  vd::record("viSetAttribute(" + vd::num(vi) + "," + vd::attr(attr) + "," +
             vd::num(value) + ")");
  return vd::next("viSetAttribute").status;
}

ViStatus viGetAttribute(ViObject vi, ViAttr attr, void* value) {
  vd::record("viGetAttribute(" + vd::num(vi) + "," + vd::attr(attr) + ")");
  Reply r = vd::next("viGetAttribute");
  if (value && vd::stores(r)) {
    switch (attr) {
      case VI_ATTR_TMO_VALUE:
      case VI_ATTR_ASRL_BAUD:
      case VI_ATTR_INTF_TYPE: {
        ViUInt32 v = r.value;
        memcpy(value, &v, sizeof v);
        break;
      }
      case VI_ATTR_TERMCHAR: {
        ViByte v = static_cast<ViByte>(r.value);
        memcpy(value, &v, sizeof v);
        break;
      }
      default: {
        ViUInt16 v = static_cast<ViUInt16>(r.value);
        memcpy(value, &v, sizeof v);
      }
    }
  }
  return r.status;
}

ViStatus viWrite(ViSession vi, ViConstBuf buf, ViUInt32 count, ViPUInt32 retCount) {
  vd::record("viWrite(" + vd::num(vi) + "," + vd::quote(buf, buf ? count : 0) + "," +
             vd::num(count) + ")");
  Reply r = vd::next("viWrite");
  if (retCount) *retCount = r.hasValue ? r.value : count;
  return r.status;
}

ViStatus viRead(ViSession vi, ViBuf buf, ViUInt32 count, ViPUInt32 retCount) {
  vd::record("viRead(" + vd::num(vi) + "," + vd::num(count) + ")");
  Reply r = vd::next("viRead");
  size_t n = r.data.size() < count ? r.data.size() : count;
  if (buf && n > 0) memcpy(buf, r.data.data(), n);
  if (retCount) *retCount = r.hasValue ? r.value : static_cast<ViUInt32>(n);
  return r.status;
}

ViStatus viReadToFile(ViSession vi, ViConstString fileName, ViUInt32 count,
                      ViPUInt32 retCount) {
  vd::record("viReadToFile(" + vd::num(vi) + "," + vd::quote(fileName) + "," +
             vd::num(count) + ")");
  Reply r = vd::next("viReadToFile");
  size_t n = r.data.size() < count ? r.data.size() : count;
  if (retCount) *retCount = r.hasValue ? r.value : static_cast<ViUInt32>(n);
  return r.status;
}

ViStatus viReadSTB(ViSession vi, ViPUInt16 status) {
  vd::record("viReadSTB(" + vd::num(vi) + ")");
  Reply r = vd::next("viReadSTB");
  if (status && vd::stores(r)) *status = static_cast<ViUInt16>(r.value);
  return r.status;
}

ViStatus viClear(ViSession vi) {
  vd::record("viClear(" + vd::num(vi) + ")");
  return vd::next("viClear").status;
}

ViStatus viFlush(ViSession vi, ViUInt16 mask) {
  vd::record("viFlush(" + vd::num(vi) + "," + vd::num(mask) + ")");
  return vd::next("viFlush").status;
}

ViStatus viSetBuf(ViSession vi, ViUInt16 mask, ViUInt32 size) {
  vd::record("viSetBuf(" + vd::num(vi) + "," + vd::num(mask) + "," + vd::num(size) +
             ")");
  return vd::next("viSetBuf").status;
}

}  // extern "C"
