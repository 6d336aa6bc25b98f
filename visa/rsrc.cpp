// rsrc.cpp - resource string parsing.
#include "rsrc.h"

namespace visa {
namespace {

bool isAlpha(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

bool equalsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (upper(a[i]) != upper(b[i])) return false;
  return true;
}

ViStatus parseResource(std::string_view name, Resource *out) {
  std::vector<std::string_view> fields;
  for (;;) {
    const std::size_t sep = name.find("::");
    fields.push_back(name.substr(0, sep));
    if (sep == std::string_view::npos) break;
    name.remove_prefix(sep + 2);
  }
  if (fields.size() < 2) return VI_ERROR_INV_RSRC_NAME;
  for (std::string_view f : fields)
    if (f.empty()) return VI_ERROR_INV_RSRC_NAME;

  // The interface name: letters, and the one hyphenated name (GPIB-VXI).
  const std::string_view head = fields.front();
  std::size_t n = 0;
  while (n < head.size() && (isAlpha(head[n]) || (head[n] == '-' && n > 0))) ++n;
  if (n == 0) return VI_ERROR_INV_RSRC_NAME;

  Resource r;
  r.type.reserve(n);
  for (std::size_t i = 0; i < n; ++i) r.type.push_back(upper(head[i]));
  r.board.assign(head.substr(n));
  for (std::size_t i = 1; i + 1 < fields.size(); ++i) r.rest.emplace_back(fields[i]);
  r.resourceClass.assign(fields.back());
  *out = std::move(r);
  return VI_SUCCESS;
}

}  // namespace visa
