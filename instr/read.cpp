// read.cpp - reading replies (rbstr, rwav), reading into a file (rd2file) and
// device clear (bclear).
#include <stdio.h>
#include <stdlib.h>

#include "instr.h"
#include "tables.h"
#include "variant.h"

ViInt32 BusEcho = 0;

// Read attempts per rbstr or rwav call, and the pause after a failed one.
static const int kReadAttempts = 2;
static const int kRetryPauseMs = 3000;
// rd2file tries a transfer that ends neither well nor fatally this often.
static const int kFileAttempts = 3;

// Second status-line report of a failed read attempt.
static const StatusText readFailureList[] = {
    {VI_ERROR_INV_OBJECT, "Invalid SESSION reference.\n"},
    {VI_ERROR_NSUP_OPER, "This type of session cannot do a viRead.\n"},
    {VI_ERROR_RSRC_LOCKED, "The session is LOCKED.\n"},
    {VI_ERROR_TMO, "The session TIMED OUT.\n"},
    {VI_ERROR_RAW_WR_PROT_VIOL, "Violaton of RAW Write protocol occurred.\n"},
    {VI_ERROR_RAW_RD_PROT_VIOL, "Violaton of RAW Read protocol occurred.\n"},
    {VI_ERROR_OUTP_PROT_VIOL, "Dev reports Violaton of OUTPUT protocol occurred.\n"},
    {VI_ERROR_BERR, "Bus error occurred.\n"},
    {VI_ERROR_INV_SETUP, "Setup invalid (inconsistent attributes?).\n"},
    {VI_ERROR_NCIC, "I am not the bus controller.\n"},
    {VI_ERROR_NLISTENERS, "No listeners....\n"},
    {VI_ERROR_IO, "Unknown IO ERROR occurred.\n"},
};

// Fatal outcomes of rd2file, through err.
static const StatusText fileFailureList[] = {
    {VI_ERROR_ASRL_FRAMING, "Framing error occurred during transfer.\n"},
    {VI_ERROR_ASRL_OVERRUN,
     "An overrun error occurred during transfer. A character was not read from "
     "the hardware before the next character arrived.\n"},
    {VI_ERROR_ASRL_PARITY, "A parity error occurred during transfer.\n"},
    {VI_ERROR_BERR, "Bus error occurred during transfer.\n"},
    {VI_ERROR_CONN_LOST, "The I/O connection for the given session has been lost.\n"},
    {VI_ERROR_FILE_ACCESS,
     "An error occurred while trying to open the specified file. Possible reasons "
     "include an invalid path or lack of access rights.\n"},
    {VI_ERROR_FILE_IO, "An error occurred while accessing the specified file.\n"},
    {VI_ERROR_INV_OBJECT,
     "The given session or object reference is invalid (both are the same value).\n"},
    {VI_ERROR_INV_SETUP,
     "Unable to start read function because setup is invalid (due to attributes "
     "being set to an inconsistent state).\n"},
    {VI_ERROR_IO, "An unknown I/O error occurred during transfer.\n"},
    {VI_ERROR_NCIC,
     "The interface associated with the given vi is not currently the controller "
     "in charge.\n"},
    {VI_ERROR_NLISTENERS,
     "No Listeners condition is detected (both NRFD and NDAC are deasserted).\n"},
    {VI_ERROR_NSUP_OPER, "The given vi does not support this function.\n"},
    {VI_ERROR_OUTP_PROT_VIOL,
     "Device reported an output protocol error occurred during transfer.\n"},
    {VI_ERROR_RAW_RD_PROT_VIOL, "Violation of raw read protocol occurred during transfer.\n"},
    {VI_ERROR_RAW_WR_PROT_VIOL,
     "Violation of raw write protocol occurred during transfer.\n"},
    {VI_ERROR_RSRC_LOCKED,
     "Specified operation could not be performed because the resource identified "
     "by vi has been locked for this kind of access.\n"},
    {VI_ERROR_TMO, "Timeout expired before function completed.\n"},
};

// Fatal outcomes of bclear, through err.
static const StatusText clearFailureList[] = {
    {VI_ERROR_INV_OBJECT, "Invalid SESSION reference.\n"},
    {VI_ERROR_NSUP_OPER, "This type of session cannot do a viRead.\n"},
    {VI_ERROR_RSRC_LOCKED, "The session is LOCKED.\n"},
    {VI_ERROR_TMO, "The session TIMED OUT.\n"},
    {VI_ERROR_RAW_WR_PROT_VIOL, "Violaton of RAW Write protocol occurred.\n"},
    {VI_ERROR_RAW_RD_PROT_VIOL, "Violaton of RAW Read protocol occurred.\n"},
    {VI_ERROR_OUTP_PROT_VIOL, "Dev reports Violaton of OUTPUT protocol occurred.\n"},
    {VI_ERROR_BERR, "Bus error occurred.\n"},
    {VI_ERROR_NCIC, "I am not the bus controller.\n"},
    {VI_ERROR_NLISTENERS, "No listeners....\n"},
};

// Reads into buf (room for size + 1 bytes) and NUL-terminates the reply.
// A failed attempt is reported on the status line and retried once after a
// pause; a second failure ends the run. With echo set, the reply's first 63
// characters go to standard error.
static ViUInt32 readReply(ViSession vi, ViBuf buf, ViUInt32 size,
                          const char *failureLine, bool echo)
{
  for (int attempt = 1;; attempt++) {
    ViUInt32 count = 0;
    ViStatus s = viRead(vi, buf, size, &count);
    if (s == VI_SUCCESS || s == VI_SUCCESS_TERM_CHAR || s == VI_SUCCESS_MAX_CNT) {
      // A count beyond the buffer would put the NUL outside it.
      if (count > size) count = size;
      bool filled = s == VI_SUCCESS_MAX_CNT;
      if (filled && size > 15)
        fprintf(stderr, "Warning: viRead filled %ld byte buffer!\n", (long)size);
      buf[count] = 0;
      if (echo)
        fprintf(stderr, filled ? "\nRead:%.63s..." : "\nRead:%.63s", (const char *)buf);
      return count;
    }
    msg(failureLine);
    const char *text = statusText(readFailureList, s);
    if (text) msg(text);
    mwait(kRetryPauseMs);
    if (attempt == kReadAttempts) err("Giving up on viRead.                 \n");
  }
}

ViUInt32 rbstr(ViSession vi, char *buf, ViUInt32 size)
{
  return readReply(vi, (ViBuf)buf, size, kReadFailureLine, BusEcho != 0);
}

ViUInt32 rwav(ViSession vi, unsigned char *buf, ViUInt32 size)
{
  return readReply(vi, buf, size,
                   "\nFailure reading in viRead statement...                      \n",
                   false);
}

void rd2file(ViSession vi, const char *filename, ViUInt32 count)
{
  for (int attempt = 1;; attempt++) {
    ViUInt32 received = 0;
    ViStatus s = viReadToFile(vi, filename, count, &received);
    if (s == VI_SUCCESS || s == VI_SUCCESS_TERM_CHAR) {
      fputs("Write to file successful.\n", stderr);
      return;
    }
    if (s == VI_SUCCESS_MAX_CNT) fprintf(stderr, "%ld bytes was read.\n", (long)count);
    const char *text = statusText(fileFailureList, s);
    if (text) err(text);
    mwait(kRetryPauseMs);
    if (attempt == kFileAttempts) err("Give up on read to file.\n");
  }
}

void bclear(ViSession vi)
{
  ViStatus s = viClear(vi);
  if (s == VI_SUCCESS) return;
  const char *text = statusText(clearFailureList, s);
  if (text) err(text);
  exit(1);
}
