/*
 * instr.h - the instrument session library: sessions, command output, reply
 * reading, status byte, termination character, the console status line,
 * engineering-notation numbers and data files.
 *
 * Every failure ends the process with a fixed report and exit status 1
 * (visaclose, err); a function that returns has succeeded. Everything the
 * library prints goes to standard error.
 *
 * The library is built twice from one source: instr_ondra (visaclose only
 * clears the device) and instr_velkar (visaclose flushes both buffers first;
 * its own first failure line in rbstr). See variant.h.
 */
#ifndef INSTR_H
#define INSTR_H

#include <stdio.h>

#include "visa.h"

/* Resource manager session, written by opencomm only. */
extern ViSession defaultRM;
/* When not 0, rbstr echoes replies and status echoes status bytes. */
extern ViInt32 BusEcho;

/* Sessions and command output */
ViSession opencomm(const char *rsrc, ViUInt32 tmo);
void setrs232(ViSession vi, ViUInt32 baud, ViUInt16 databits, ViUInt16 flow,
              ViUInt16 parity, ViUInt16 stopbits);
void setcommbuf(ViSession vi, ViUInt32 size);
ViUInt32 wbstr(ViSession vi, const char *cmd);
[[noreturn]] void visaclose(ViSession vi, const char *message);
[[noreturn]] void err(const char *message);
void bclose(ViSession vi);

/* Reply reading and device clear */
ViUInt32 rbstr(ViSession vi, char *buf, ViUInt32 size);
ViUInt32 rwav(ViSession vi, unsigned char *buf, ViUInt32 size);
void rd2file(ViSession vi, const char *filename, ViUInt32 count);
void bclear(ViSession vi);

/* Status byte and termination character */
int status(ViSession vi);
void dspstb(ViSession vi);
void setTermChar(ViSession vi, unsigned char c);
void unsetTermChar(ViSession vi);

/* Console status line and delays */
void mwait(int ms);
void tickle(int ms);
void msg(const char *text);
void clrmsg(void);

/* Engineering notation */
char *engstr(double value, int digits);
char *sengstr(double value, int digits);
int sign(double value);
int sgn(double value);

/* Numeric value of a text: its longest leading decimal number, 0 if none
   (INF, NAN, MAX and hexadecimal forms count as 0). */
double numval(const char *text);

/* Data files */
FILE *open2write(const char *name, const char *ext);
FILE *open2read(const char *name, const char *ext);

#endif /* INSTR_H */
