// visa_double.h - a scripted stand-in for the VISA C API (visa.h), linked into
// the session library's tests in place of the real library.
//
// Each call takes the next queued Reply for its function name; with an empty
// queue it succeeds with the defaults below. Every call is recorded as text:
//   viOpenDefaultRM()               viOpen(1,"ASRL1::INSTR",0,0)
//   viClose(2)                      viSetAttribute(2,0x3FFF001A,3000)
//   viGetAttribute(2,0x3FFF001A)    viSetBuf(2,16,4096)
//   viFlush(2,4)                    viClear(2)
//   viWrite(2,"OUTPUT OFF\n",11)    viRead(2,1000)
//   viReadToFile(2,"run1.dat",100)  viReadSTB(2)
// Strings are quoted with C escapes (\r \n \t \\ \" and \xHH for any other
// byte outside printable ASCII); numbers are decimal, attribute ids 0x%08X.
//
// Values handed back:
//   viOpenDefaultRM  *vi = value (default 1)   } stored when the status is not
//   viOpen           *vi = value (default 2)   } an error, or when hasValue
//   viReadSTB        *status = value (default 0), same rule
//   viGetAttribute   value (default 0) stored in the attribute's own width,
//                    same rule
//   viWrite          *retCount = value if hasValue, else count
//   viRead           copies min(data.size(), count) bytes of data into the
//                    buffer; *retCount = that number, or value if hasValue
//   viReadToFile     *retCount as viRead (no file is written)
// Every other call only returns the status.
#ifndef VISA_DOUBLE_H
#define VISA_DOUBLE_H

#include <initializer_list>
#include <string>
#include <vector>

#include "visa.h"

namespace vd {

struct Reply {
  ViStatus status = VI_SUCCESS;
  std::string data;
  bool hasValue = false;
  ViUInt32 value = 0;
};

// Empties every queue and the call log (logging to a descriptor goes on).
void reset();
// Queues the outcome of the next call of fn ("viRead", "viSetAttribute", ...).
void push(const std::string& fn, Reply r);
// Queues one plain status per call of fn, in order.
void pushStatuses(const std::string& fn, std::initializer_list<ViStatus> statuses);
// Every call made since the last reset, as text.
const std::vector<std::string>& calls();
// Also writes each call's text and "\n" to fd as it is made (-1: stop).
void logTo(int fd);

}  // namespace vd

#endif
