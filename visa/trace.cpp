// trace.cpp - the trace sink and its formatting helpers.
#include "trace.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace visa {
namespace trace {
namespace {

constexpr std::size_t kMaxTracedBytes = 200;

int g_fd = -1;
std::string *g_path = nullptr;  // the file g_fd is open on

struct Name {
  long value;
  const char *name;
};

constexpr Name kStatuses[] = {
    {VI_SUCCESS, "VI_SUCCESS"},
    {VI_SUCCESS_TERM_CHAR, "VI_SUCCESS_TERM_CHAR"},
    {VI_SUCCESS_MAX_CNT, "VI_SUCCESS_MAX_CNT"},
    {VI_WARN_NSUP_ATTR_STATE, "VI_WARN_NSUP_ATTR_STATE"},
    {VI_WARN_NSUP_BUF, "VI_WARN_NSUP_BUF"},
    {VI_ERROR_SYSTEM_ERROR, "VI_ERROR_SYSTEM_ERROR"},
    {VI_ERROR_INV_OBJECT, "VI_ERROR_INV_OBJECT"},
    {VI_ERROR_RSRC_LOCKED, "VI_ERROR_RSRC_LOCKED"},
    {VI_ERROR_RSRC_NFOUND, "VI_ERROR_RSRC_NFOUND"},
    {VI_ERROR_INV_RSRC_NAME, "VI_ERROR_INV_RSRC_NAME"},
    {VI_ERROR_INV_ACC_MODE, "VI_ERROR_INV_ACC_MODE"},
    {VI_ERROR_TMO, "VI_ERROR_TMO"},
    {VI_ERROR_CLOSING_FAILED, "VI_ERROR_CLOSING_FAILED"},
    {VI_ERROR_NSUP_ATTR, "VI_ERROR_NSUP_ATTR"},
    {VI_ERROR_NSUP_ATTR_STATE, "VI_ERROR_NSUP_ATTR_STATE"},
    {VI_ERROR_ATTR_READONLY, "VI_ERROR_ATTR_READONLY"},
    {VI_ERROR_RAW_WR_PROT_VIOL, "VI_ERROR_RAW_WR_PROT_VIOL"},
    {VI_ERROR_RAW_RD_PROT_VIOL, "VI_ERROR_RAW_RD_PROT_VIOL"},
    {VI_ERROR_OUTP_PROT_VIOL, "VI_ERROR_OUTP_PROT_VIOL"},
    {VI_ERROR_INP_PROT_VIOL, "VI_ERROR_INP_PROT_VIOL"},
    {VI_ERROR_BERR, "VI_ERROR_BERR"},
    {VI_ERROR_INV_SETUP, "VI_ERROR_INV_SETUP"},
    {VI_ERROR_ALLOC, "VI_ERROR_ALLOC"},
    {VI_ERROR_INV_MASK, "VI_ERROR_INV_MASK"},
    {VI_ERROR_IO, "VI_ERROR_IO"},
    {VI_ERROR_SRQ_NOCCURRED, "VI_ERROR_SRQ_NOCCURRED"},
    {VI_ERROR_NLISTENERS, "VI_ERROR_NLISTENERS"},
    {VI_ERROR_NCIC, "VI_ERROR_NCIC"},
    {VI_ERROR_NSUP_OPER, "VI_ERROR_NSUP_OPER"},
    {VI_ERROR_ASRL_PARITY, "VI_ERROR_ASRL_PARITY"},
    {VI_ERROR_ASRL_FRAMING, "VI_ERROR_ASRL_FRAMING"},
    {VI_ERROR_ASRL_OVERRUN, "VI_ERROR_ASRL_OVERRUN"},
    {VI_ERROR_RSRC_BUSY, "VI_ERROR_RSRC_BUSY"},
    {VI_ERROR_INV_PARAMETER, "VI_ERROR_INV_PARAMETER"},
    {VI_ERROR_LIBRARY_NFOUND, "VI_ERROR_LIBRARY_NFOUND"},
    {VI_ERROR_FILE_ACCESS, "VI_ERROR_FILE_ACCESS"},
    {VI_ERROR_FILE_IO, "VI_ERROR_FILE_IO"},
    {VI_ERROR_INTF_NUM_NCONFIG, "VI_ERROR_INTF_NUM_NCONFIG"},
    {VI_ERROR_CONN_LOST, "VI_ERROR_CONN_LOST"},
};

constexpr Name kAttributes[] = {
    {static_cast<long>(VI_ATTR_TERMCHAR), "VI_ATTR_TERMCHAR"},
    {static_cast<long>(VI_ATTR_TMO_VALUE), "VI_ATTR_TMO_VALUE"},
    {static_cast<long>(VI_ATTR_ASRL_BAUD), "VI_ATTR_ASRL_BAUD"},
    {static_cast<long>(VI_ATTR_ASRL_DATA_BITS), "VI_ATTR_ASRL_DATA_BITS"},
    {static_cast<long>(VI_ATTR_ASRL_PARITY), "VI_ATTR_ASRL_PARITY"},
    {static_cast<long>(VI_ATTR_ASRL_STOP_BITS), "VI_ATTR_ASRL_STOP_BITS"},
    {static_cast<long>(VI_ATTR_ASRL_FLOW_CNTRL), "VI_ATTR_ASRL_FLOW_CNTRL"},
    {static_cast<long>(VI_ATTR_TERMCHAR_EN), "VI_ATTR_TERMCHAR_EN"},
    {static_cast<long>(VI_ATTR_INTF_TYPE), "VI_ATTR_INTF_TYPE"},
    {static_cast<long>(VI_ATTR_INTF_NUM), "VI_ATTR_INTF_NUM"},
};

template <std::size_t N>
const char *lookup(const Name (&table)[N], long value) {
  for (const Name &n : table)
    if (n.value == value) return n.name;
  return nullptr;
}

}  // namespace

void configureFromEnvironment() {
  const char *path = std::getenv("VISA_TRACE");
  if (path && *path && g_path && *g_path == path) return;  // already open there
  if (g_fd >= 0) ::close(g_fd);
  g_fd = -1;
  delete g_path;
  g_path = nullptr;
  if (!path || !*path) return;
  g_fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (g_fd >= 0) g_path = new std::string(path);
}

bool on() { return g_fd >= 0; }

void emit(const std::string &line) {
  if (g_fd < 0) return;
  std::string out = line;
  out.push_back('\n');
  const char *p = out.data();
  std::size_t n = out.size();
  while (n > 0) {
    const ssize_t w = ::write(g_fd, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return;
    p += w;
    n -= static_cast<std::size_t>(w);
  }
}

std::string format(const char *fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  va_list again;
  va_copy(again, ap);
  const int n = std::vsnprintf(nullptr, 0, fmt, ap);
  va_end(ap);
  std::string s;
  if (n > 0) {
    s.resize(static_cast<std::size_t>(n) + 1);
    std::vsnprintf(&s[0], s.size(), fmt, again);
    s.resize(static_cast<std::size_t>(n));
  }
  va_end(again);
  return s;
}

std::string status(ViStatus st) {
  const char *name = lookup(kStatuses, st);
  return format("%s (0x%08X)", name ? name : "status", static_cast<unsigned>(st));
}

std::string session(ViSession vi, const char *transport) {
  return format("0x%08X %s", static_cast<unsigned>(vi), transport);
}

std::string attribute(ViAttr attr) {
  const char *name = lookup(kAttributes, static_cast<long>(attr));
  return name ? std::string(name) : format("0x%08X", static_cast<unsigned>(attr));
}

std::string bytes(const void *data, std::size_t n) {
  const auto *p = static_cast<const unsigned char *>(data);
  const std::size_t shown = n < kMaxTracedBytes ? n : kMaxTracedBytes;
  std::string s = "\"";
  for (std::size_t i = 0; i < shown && p; ++i) {
    const unsigned char c = p[i];
    switch (c) {
      case '\r': s += "\\r"; break;
      case '\n': s += "\\n"; break;
      case '\t': s += "\\t"; break;
      case '\\': s += "\\\\"; break;
      case '"': s += "\\\""; break;
      default:
        if (c >= 0x20 && c < 0x7F) s.push_back(static_cast<char>(c));
        else s += format("\\%03o", c);
    }
  }
  s += "\"";
  if (shown < n) s += format(" (+%zu more bytes)", n - shown);
  return s;
}

}  // namespace trace
}  // namespace visa
