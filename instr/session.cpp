// session.cpp - opening sessions, serial line set-up, command output, and the
// two fatal exits (visaclose, err) through which every failure ends a run.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "instr.h"
#include "tables.h"
#include "variant.h"

ViSession defaultRM = 0;

/* ---- Status lists -------------------------------------------------------- */

static const char kInvalidSession[] =
    "The given session or object reference is invalid (both are the same value).\n";
static const char kLocked[] =
    "Specified operation could not be performed because the resource identified "
    "by vi has been locked for this kind of access.\n";
static const char kReadOnly[] = "The specified attribute is read-only.\n";
static const char kNotDefined[] =
    "The specified attribute is not defined by the referenced resource.\n";
static const char kBadState[] =
    "The specified state of the attribute is not valid, or is not supported as "
    "defined by the resource. (The application probably will not work if this "
    "error is returned.)\n";

// After viOpenDefaultRM; all fatal.
static const StatusText openRMList[] = {
    {VI_ERROR_ALLOC,
     "Insufficient system resources to create a session to the Default Resource "
     "Manager resource.\n"},
    {VI_ERROR_INV_SETUP,
     "Some implementation-specific configuration file is corrupt or does not exist.\n"},
    {VI_ERROR_SYSTEM_ERROR, "The VISA system failed to initialize.\n"},
};

// After viOpen; all fatal.
static const StatusText openList[] = {
    {VI_ERROR_ALLOC, "Insufficient system resources to open a session.\n"},
    {VI_ERROR_INTF_NUM_NCONFIG,
     "The interface type is valid but the specified interface number is not "
     "configured.\n"},
    {VI_ERROR_INV_ACC_MODE, "Invalid access mode.\n"},
    {VI_ERROR_INV_RSRC_NAME, "Invalid resource reference specified. Parsing error.\n"},
    {VI_ERROR_INV_OBJECT, kInvalidSession},
    {VI_ERROR_LIBRARY_NFOUND,
     "A code library required by VISA could not be located or loaded.\n"},
    {VI_ERROR_NSUP_OPER,
     "The given sesn does not support this function. For VISA, this function is "
     "supported only by the Default Resource Manager session.\n"},
    {VI_ERROR_RSRC_BUSY, "The resource is valid but VISA cannot currently access it.\n"},
    {VI_ERROR_RSRC_LOCKED,
     "Specified type of lock cannot be obtained because the resource is already "
     "locked with a lock type incompatible with the lock requested.\n"},
    {VI_ERROR_RSRC_NFOUND,
     "Insufficient location information or resource not present in the system.\n"},
    {VI_ERROR_TMO,
     "A session to the resource could not be obtained within the specified "
     "timeout period.\n"},
};

// After setting the time-out; all fatal.
static const StatusText timeoutList[] = {
    {VI_ERROR_ATTR_READONLY, kReadOnly},
    {VI_ERROR_INV_OBJECT, kInvalidSession},
    {VI_ERROR_NSUP_ATTR, kNotDefined},
    {VI_ERROR_NSUP_ATTR_STATE, kBadState},
    {VI_ERROR_RSRC_LOCKED, kLocked},
};

// After each serial attribute. A NULL text stands for the attribute's own
// warning. Only at the baud rate can a row be fatal.
struct SerialRow {
  ViStatus status;
  const char *text;
  bool fatalAtBaud;
};
static const SerialRow serialList[] = {
    {VI_WARN_NSUP_ATTR_STATE, NULL, true},
    {VI_ERROR_ATTR_READONLY, kReadOnly, true},
    {VI_ERROR_INV_OBJECT, kInvalidSession, false},
    {VI_ERROR_NSUP_ATTR, kNotDefined, false},
    {VI_ERROR_NSUP_ATTR_STATE, kBadState, false},
    {VI_ERROR_RSRC_LOCKED, kLocked, false},
};

struct SerialStep {
  ViAttr attr;
  const char *done;
  const char *warning;
};
static const SerialStep serialSteps[] = {
    {VI_ATTR_ASRL_BAUD, "Baud Rate setup successfully.\n",
     "Although the BAUDRATE state is valid, it is not supported by this resource "
     "implementation. (The application will still work, but this may have a "
     "performance impact.)\n"},
    {VI_ATTR_ASRL_DATA_BITS, "Data Bits setup successfully.\n",
     "Although the DATABITS state is valid, it is not supported by this resource "
     "implementation. (The application will still work, but this may have a "
     "performance impact.)\n"},
    {VI_ATTR_ASRL_FLOW_CNTRL, "Flow Control setup successfully.\n",
     "Although the FLOW CONTROL state is valid, it is not supported by this resource "
     "implementation. (The application will still work, but this may have a "
     "performance impact.)\n"},
    {VI_ATTR_ASRL_PARITY, "Parity setup successfully.\n",
     "Although the PARITY state is valid, it is not supported by this resource "
     "implementation. (The application will still work, but this may have a "
     "performance impact.)\n"},
    {VI_ATTR_ASRL_STOP_BITS, "Stop Bits setup successfully.\n",
     "Although the STOP BITS state is valid, it is not supported by this resource "
     "implementation. (The application will still work, but this may have a "
     "performance impact.)\n"},
};

// After each viSetBuf; printed, never fatal.
static const StatusText bufferList[] = {
    {VI_WARN_NSUP_BUF, "The specified buffer is not supported.\n"},
    {VI_ERROR_ALLOC,
     "The system could not allocate the buffer(s) of the specified size because "
     "of insufficient system resources.\n"},
    {VI_ERROR_INV_MASK, "The system cannot set the buffer for the given mask.\n"},
    {VI_ERROR_INV_OBJECT, kInvalidSession},
    {VI_ERROR_RSRC_LOCKED, kLocked},
};

// After viWrite; all fatal through err.
static const StatusText writeList[] = {
    {VI_ERROR_NSUP_OPER, "This type of session cannot do a viWrite.\n"},
    {VI_ERROR_RSRC_LOCKED, "The session is LOCKED.\n"},
    {VI_ERROR_TMO, "The session TIMED OUT.\n"},
    {VI_ERROR_RAW_WR_PROT_VIOL, "Violaton of RAW Write protocol occurred.\n"},
    {VI_ERROR_RAW_RD_PROT_VIOL, "Violaton of RAW Read protocol occurred.\n"},
    {VI_ERROR_INP_PROT_VIOL, "Dev reports Violaton of INPUT protocol occurred.\n"},
    {VI_ERROR_BERR, "Bus error occurred.\n"},
    {VI_ERROR_INV_SETUP, "Setup invalid (inconsistent attributes?).\n"},
    {VI_ERROR_NCIC, "I am not the bus controller.\n"},
    {VI_ERROR_NLISTENERS, "No listeners....\n"},
    {VI_ERROR_IO, "Unknown IO ERROR occurred.\n"},
};

// After each flush stage of the closing procedure (texts without line end).
static const StatusText flushList[] = {
    {VI_ERROR_INV_MASK,
     "The specified mask does not specify a valid flush function on read/write "
     "resource."},
    {VI_ERROR_INV_OBJECT,
     "The given session or object reference is invalid (both are the same value)."},
    {VI_ERROR_IO, "Could not perform read/write function because of I/O error."},
    {VI_ERROR_RSRC_LOCKED,
     "Specified operation could not be performed because the resource identified "
     "by vi has been locked for this kind of access."},
    {VI_ERROR_TMO,
     "The read/write function was aborted because timeout expired while function "
     "was in progress."},
};

// After the clear stage of the closing procedure (texts without line end).
static const StatusText clearList[] = {
    {VI_ERROR_BERR, "Bus error occurred during transfer."},
    {VI_ERROR_CONN_LOST, "The I/O connection for the given session has been lost."},
    {VI_ERROR_INV_OBJECT,
     "The given session or object reference is invalid (both are the same value)."},
    {VI_ERROR_INV_SETUP,
     "Unable to start operation because setup is invalid (due to attributes being "
     "set to an inconsistent state)."},
    {VI_ERROR_NCIC,
     "The interface associated with the given vi is not currently the controller "
     "in charge."},
    {VI_ERROR_NLISTENERS,
     "No Listeners condition is detected (both NRFD and NDAC are deasserted)."},
    {VI_ERROR_NSUP_OPER, "The given vi does not support this function."},
    {VI_ERROR_RAW_RD_PROT_VIOL, "Violation of raw read protocol occurred during transfer."},
    {VI_ERROR_RSRC_LOCKED,
     "Specified operation could not be performed because the resource identified "
     "by vi has been locked for this kind of access."},
    {VI_ERROR_TMO, "Timeout expired before function completed."},
};

// After viClose in bclose; all fatal through err.
static const StatusText closeList[] = {
    {VI_ERROR_INV_OBJECT, "Invalid SESSION.\n"},
    {VI_ERROR_CLOSING_FAILED, "viClose function could not deallocate resources.\n"},
};

/* ---- Sessions ------------------------------------------------------------ */

// Ends the run through visaclose on defaultRM when list names s.
template <size_t N>
static void openFailure(const StatusText (&list)[N], ViStatus s)
{
  const char *text = statusText(list, s);
  if (text) visaclose(defaultRM, text);
}

ViSession opencomm(const char *rsrc, ViUInt32 tmo)
{
  ViStatus s = viOpenDefaultRM(&defaultRM);
  if (s == VI_SUCCESS) fputs("VISA session established successfully.\n", stderr);
  openFailure(openRMList, s);

  ViSession vi = VI_NULL;
  s = viOpen(defaultRM, rsrc, VI_NULL, 0, &vi);
  if (s == VI_SUCCESS) fputs("Device session established successfully.\n", stderr);
  openFailure(openList, s);

  s = viSetAttribute(vi, VI_ATTR_TMO_VALUE, tmo);
  if (s == VI_SUCCESS)
    fputs("Time out setup successfully.\n", stderr);
  else
    fprintf(stderr, "Fail to establish time-out. value: %d ms.\n", (int)tmo);
  openFailure(timeoutList, s);
  return vi;
}

void setrs232(ViSession vi, ViUInt32 baud, ViUInt16 databits, ViUInt16 flow,
              ViUInt16 parity, ViUInt16 stopbits)
{
  const ViUInt32 values[] = {baud, databits, flow, parity, stopbits};
  for (size_t i = 0; i < sizeof values / sizeof values[0]; i++) {
    const SerialStep &step = serialSteps[i];
    ViStatus s = viSetAttribute(vi, step.attr, values[i]);
    if (s == VI_SUCCESS) fputs(step.done, stderr);
    const SerialRow *row = findStatus(serialList, s);
    if (!row) continue;
    const char *text = row->text ? row->text : step.warning;
    if (i == 0 && row->fatalAtBaud) visaclose(vi, text);
    fputs(text, stderr);
  }
}

void setcommbuf(ViSession vi, ViUInt32 size)
{
  static const struct {
    ViUInt16 mask;
    const char *done;
  } buffers[] = {
      {VI_IO_IN_BUF, "Receive Buffer size set successfully.\n"},
      {VI_IO_OUT_BUF, "Send Buffer size set successfully.\n"},
  };
  for (const auto &b : buffers) {
    ViStatus s = viSetBuf(vi, b.mask, size);
    if (s == VI_SUCCESS) fputs(b.done, stderr);
    const char *text = statusText(bufferList, s);
    if (text) fputs(text, stderr);
  }
}

ViUInt32 wbstr(ViSession vi, const char *cmd)
{
  ViUInt32 written = 0;
  ViStatus s = viWrite(vi, (ViConstBuf)cmd, (ViUInt32)strlen(cmd), &written);
  if (s == VI_SUCCESS) return written;
  // The echo shows at most 60 characters however long the command is.
  fprintf(stderr, "Failure writing: %.60s\n", cmd);
  const char *text = statusText(writeList, s);
  err(text ? text : "Aborting...\n");
}

/* ---- Fatal exits --------------------------------------------------------- */

// Restarts of the closing procedure after a listed status, so at most
// kCloseRestarts + 1 passes.
static const int kCloseRestarts = 3;

// One pass of the closing procedure: the flushes (flushing build only), then
// the clear. Returns the text of the first listed status met, else NULL.
static const char *closingPass(ViSession vi)
{
  static const struct {
    ViUInt16 mask;
    const char *done;
    const char *failed;
  } flushes[] = {
      {VI_READ_BUF_DISCARD, "Flush Bead buffer successfully.\n",
       "Fail to flush Read buffer.\n"},
      {VI_WRITE_BUF_DISCARD, "Flush Write buffer successfully.\n",
       "Fail to flush Write buffer.\n"},
  };
  if (kFlushOnClose) {
    for (const auto &f : flushes) {
      ViStatus s = viFlush(vi, f.mask);
      fputs(s == VI_SUCCESS ? f.done : f.failed, stderr);
      const char *text = statusText(flushList, s);
      if (text) return text;
    }
  }
  ViStatus s = viClear(vi);
  if (s == VI_SUCCESS) fputs("Clear operation completed successfully.\n", stderr);
  return statusText(clearList, s);
}

void visaclose(ViSession vi, const char *message)
{
  for (int restarts = 0;; restarts++) {
    const char *text = closingPass(vi);
    if (!text) break;
    message = text;
    if (restarts == kCloseRestarts) break;
  }
  fprintf(stderr, "\n%s\n", message ? message : "");
  fputs("Program Run Fail. Terminating...\n", stderr);
  viClose(vi);
  viClose(defaultRM);
  exit(1);
}

void err(const char *message)
{
  fprintf(stderr, "\n%s\n", message ? message : "");
  viClose(defaultRM);
  exit(1);
}

void bclose(ViSession vi)
{
  ViStatus s = viClose(vi);
  if (s == VI_SUCCESS) return;
  fputs("Problem closing... \n", stderr);
  const char *text = statusText(closeList, s);
  err(text ? text : "viClose function returned unrecognisable error.\n");
}
