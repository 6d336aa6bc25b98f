// trace.h - the I/O trace: one line per vi* call, written at the C API
// boundary, off unless VISA_TRACE names a file. The variable is read each
// time a resource manager session opens; the file is opened for append then
// (and closed again if the variable has gone). Tracing never changes what a
// call does or returns: a trace file that cannot be written is ignored.
#pragma once

#include <cstddef>
#include <string>

#include "visa.h"

namespace visa {
namespace trace {

void configureFromEnvironment();
bool on();
// Appends one line (a newline is added) in a single write.
void emit(const std::string &line);

// "VI_SUCCESS (0x00000000)"; unknown codes show as "status (0x...)".
std::string status(ViStatus st);
// A session handle with the transport behind it: "0x00010002 SIM".
std::string session(ViSession vi, const char *transport);
// An attribute's name, or its number in hex.
std::string attribute(ViAttr attr);
// Bytes as a quoted C string literal: \r \n \t \\ \" and \ooo for the other
// unprintable bytes; cut after 200 bytes with a note of how many were left.
std::string bytes(const void *data, std::size_t n);
// printf-style formatting into a std::string.
std::string format(const char *fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace trace
}  // namespace visa
