// transport.h - what the session layer asks of an interface.
//
// A transport moves bytes and nothing else: termination character, END,
// time-outs, buffers and tracing belong to the session. Every blocking call
// waits in poll() for at most the time left on the deadline it is given and
// never spins. Failures come back as VISA statuses, translated from errno
// where the system call failed.
#pragma once

#include <cstddef>
#include <memory>

#include "deadline.h"
#include "rsrc.h"
#include "visa.h"

namespace visa {

class Transport {
 public:
  virtual ~Transport() = default;

  // Short name for the trace ("ASRL", "SIM").
  virtual const char *name() const = 0;
  virtual ViUInt32 interfaceType() const = 0;
  virtual ViUInt16 interfaceNumber() const = 0;
  // True where the termination character always ends a read (serial lines),
  // whatever VI_ATTR_TERMCHAR_EN says.
  virtual bool termCharAlwaysEnds() const = 0;

  // Sends all count bytes, continuing after partial writes.
  //   VI_SUCCESS: *sent == count.
  //   VI_ERROR_TMO: the deadline passed first; *sent bytes went.
  //   VI_ERROR_CONN_LOST / VI_ERROR_IO: the line went away; *sent bytes went.
  // Blocks until done or until the deadline.
  virtual ViStatus write(const ViByte *buf, std::size_t count, const Deadline &deadline,
                         std::size_t *sent) = 0;

  // Waits for input and stores what is there, up to max (> 0) bytes.
  //   VI_SUCCESS: *got is 1..max; *end is true when the instrument ended its
  //     message with the last byte stored.
  //   VI_ERROR_TMO: nothing arrived before the deadline; *got == 0.
  //   VI_ERROR_CONN_LOST / VI_ERROR_IO: the line went away (at once, never
  //     after waiting out the deadline); *got == 0.
  // Blocks until a byte arrives or until the deadline.
  virtual ViStatus read(ViByte *buf, std::size_t max, const Deadline &deadline,
                        std::size_t *got, bool *end) = 0;

  // Device clear: the instrument's and the line's buffers emptied. Does not
  // block beyond the system call.
  virtual ViStatus clear() = 0;

  // Discards bytes held by the line: received and not yet read (input), or
  // written and not yet sent (output). Does not block.
  virtual ViStatus discard(bool input, bool output) = 0;

  // The IEEE 488.2 status byte, where the instrument has one; the session
  // answers VI_ERROR_NSUP_OPER itself when hasStatusByte() is false.
  virtual bool hasStatusByte() const { return false; }
  virtual ViStatus readStatusByte(ViUInt16 *stb) {
    *stb = 0;
    return VI_ERROR_NSUP_OPER;
  }

  // Interface attributes (the serial line's settings). An attribute the
  // interface does not have: VI_ERROR_NSUP_ATTR; a value the line cannot
  // take: VI_ERROR_NSUP_ATTR_STATE, the line left as it was.
  virtual ViStatus setAttribute(ViAttr, ViAttrState) { return VI_ERROR_NSUP_ATTR; }
  virtual ViStatus getAttribute(ViAttr, void *) const { return VI_ERROR_NSUP_ATTR; }

  // The errno behind the last failed system call (0: none since the last
  // takeErrno()), so the trace can show the system's own words for it.
  int takeErrno() {
    const int e = errno_;
    errno_ = 0;
    return e;
  }

 protected:
  // Records err for the trace and returns status.
  ViStatus fail(ViStatus status, int err) {
    errno_ = err;
    return status;
  }

 private:
  int errno_ = 0;
};

// A transport factory: opens the device a parsed resource string names.
// VI_SUCCESS and *out set; VI_ERROR_INV_RSRC_NAME (fields malformed for this
// interface); VI_ERROR_RSRC_NFOUND (no such device); VI_ERROR_RSRC_BUSY.
using TransportFactory = ViStatus (*)(const Resource &rsrc, std::unique_ptr<Transport> *out);

// The registry: the factory for the interface type, by exact match.
//   VI_SUCCESS and *factory set; VI_ERROR_INTF_NUM_NCONFIG (a VISA interface
//   type not served here); VI_ERROR_INV_RSRC_NAME (not an interface type).
ViStatus findTransport(const std::string &type, TransportFactory *factory);

}  // namespace visa
