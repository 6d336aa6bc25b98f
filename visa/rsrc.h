// rsrc.h - resource strings taken apart.
//
//   <type><board>::<rest>::...::INSTR
//
// type is the interface name, matched case-insensitively and kept here in
// upper case; board is what follows it in the first field (a number, or for
// ASRL also a device path); rest is every field between the first one and
// the resource class. Nothing here knows a transport: the registry decides
// what a type means and the transport what its fields mean.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "visa.h"

namespace visa {

struct Resource {
  std::string type;               // "ASRL", "SIM", "TCPIP", ... (upper case)
  std::string board;              // "1", "/dev/ttyUSB0", "" ...
  std::vector<std::string> rest;  // fields between the first and the class
  std::string resourceClass;      // last field as written ("INSTR", "instr")
};

// Splits name into *out. VI_SUCCESS, or VI_ERROR_INV_RSRC_NAME when the
// string cannot be a resource string at all (no "::", an empty field, no
// interface name). Safe for any length and any bytes.
ViStatus parseResource(std::string_view name, Resource *out);

// Case-insensitive ASCII comparison.
bool equalsNoCase(std::string_view a, std::string_view b);

}  // namespace visa
