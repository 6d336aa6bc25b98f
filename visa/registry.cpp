// registry.cpp - interface type -> transport, by exact match on the type.
// The only place that names the transports.
#include <cstring>

#include "transport.h"

namespace visa {

ViStatus openSerial(const Resource &rsrc, std::unique_ptr<Transport> *out);
ViStatus openSimulated(const Resource &rsrc, std::unique_ptr<Transport> *out);

namespace {

struct Entry {
  const char *type;
  TransportFactory factory;  // nullptr: a VISA interface not served here
};

constexpr Entry kRegistry[] = {
    {"ASRL", openSerial},  {"SIM", openSimulated}, {"GPIB", nullptr},
    {"GPIB-VXI", nullptr}, {"VXI", nullptr},       {"PXI", nullptr},
    {"TCPIP", nullptr},    {"USB", nullptr},
};

}  // namespace

ViStatus findTransport(const std::string &type, TransportFactory *factory) {
  for (const Entry &e : kRegistry) {
    if (type == e.type) {
      if (!e.factory) return VI_ERROR_INTF_NUM_NCONFIG;
      *factory = e.factory;
      return VI_SUCCESS;
    }
  }
  return VI_ERROR_INV_RSRC_NAME;
}

}  // namespace visa
