// variant.h - the one place where the two builds of the library differ.
// instr_velkar is compiled with INSTR_VELKAR defined, instr_ondra without.
#ifndef INSTR_VARIANT_H
#define INSTR_VARIANT_H

#ifdef INSTR_VELKAR
// visaclose flushes the read and write buffers before the clear.
static const bool kFlushOnClose = true;
static const char kReadFailureLine[] =
    "\nFailure reading in viRead statement...                      \n";
#else
// visaclose only clears the device.
static const bool kFlushOnClose = false;
static const char kReadFailureLine[] = "\nFailure reading in viRead statement.\n";
#endif

#endif
