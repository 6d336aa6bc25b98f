/*
 * ondra.cpp - puts an FG503 function generator into a requested state: wave
 * shape, frequency, amplitude and offset, each checked against the
 * generator's ranges and sent as a text command ended by CR LF. Nothing is
 * read back. Every line goes to standard error.
 *
 *   ondra Addr Func Freq Amp Offs      (x... leaves a setting unchanged)
 */
#include <ctype.h>
#include <math.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include "instr.h"

static const double kVersion = 1.0;
static const size_t kBufSize = 10000; /* work buffer */
static const size_t kFuncSize = 16;   /* wave-shape copy, terminator included */
static const ViUInt32 kTimeout = 3000;

static const char kFuncError[] = "Error Func input. Range: SIN,SQU,TRI,RUP,RDW,DC\n";
static const char kFreqWideError[] = "Error Freq input. Range:1E-3~3E6\n";
static const char kFreqNarrowError[] = "Error Freq input. Range:1E-3~20E3\n";
static const char kAmpError[] = "Error Amp input. Range:40E-3~20\n";
static const char kAddrError[] = "Error Addr input. Address too long.\n";
static const char kNoMemory[] = "Error: cannot allocate the work buffer.\n";
static const char kTooLong[] = "Error: command too long for the work buffer.\n";

static void usage(void)
{
    fprintf(stderr, "Software Info: ONDRA V%.2f by Tarn, Jan 2008\n", kVersion);
    fputs("Hardware: MOTECH FG503.\n", stderr);
    fputs("Software Description:", stderr);
    fputs(" Set up & output desired waveform on FG503.\n\n", stderr);
    fputs("USE FORMAT:\n", stderr);
    fputs("ondra Addr Func Freq Amp Offs\n", stderr);
    fputs("\n", stderr);
    fputs("Addr: The address of the desired device.\n", stderr);
    fputs("         e.g.USB1::1689::869::C020200::0\n", stderr);
    fputs("Func: Desired function output.x=no change\n", stderr);
    fputs("         Range: SIN,SQU,TRI,RUP,RDW,DC\n", stderr);
    fputs("Freq: Desired frequency.x=no change\n", stderr);
    fputs("         Range:10E-3~3E6(SIN,SQU),10E-3~20E3(TRI,RUP,RDW)\n", stderr);
    fputs("Amp:  VPP amplitude.x=no change\n", stderr);
    fputs("         Range:40E-3~20V\n", stderr);
    fputs("Offs: Waveform offset.x=no change\n", stderr);
}

/* An argument starting with x or X leaves its setting alone. */
static int nochange(const char *arg)
{
    return tolower((unsigned char)arg[0]) == 'x';
}

/* Formats into the work buffer; a text that does not fit ends the run. */
__attribute__((format(printf, 3, 4)))
static const char *compose(ViSession vi, char *buf, const char *fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    int n = vsnprintf(buf, kBufSize, fmt, ap);
    va_end(ap);
    if (n < 0 || (size_t)n >= kBufSize)
        visaclose(vi, kTooLong);
    return buf;
}

static void setfunc(ViSession vi, char *buf, const char *func, char *copy)
{
    if (strlen(func) >= kFuncSize)
        visaclose(vi, kFuncError);
    strcpy(copy, func);
    if (strncasecmp(copy, "sin", 3) != 0 && strncasecmp(copy, "squ", 3) != 0 &&
        strncasecmp(copy, "tri", 3) != 0 && strncasecmp(copy, "rup", 3) != 0 &&
        strncasecmp(copy, "rdw", 3) != 0 && strncasecmp(copy, "dc", 2) != 0)
        visaclose(vi, kFuncError);
    wbstr(vi, compose(vi, buf, "%s\r\n", copy));
}

/* Sine and square reach 3 MHz, the other shapes 20 kHz. Without a shape
   (Func left unchanged) the widest range applies. */
static void setfreq(ViSession vi, char *buf, const char *freq, const char *copy)
{
    int wide = copy[0] == '\0' || strncasecmp(copy, "sin", 3) == 0 ||
               strncasecmp(copy, "squ", 3) == 0;
    float f = (float)numval(freq);
    if (f < 0.01 || f > (wide ? 3000000.0f : 20000.0f))
        visaclose(vi, wide ? kFreqWideError : kFreqNarrowError);
    wbstr(vi, compose(vi, buf, "%fHZ\r\n", (double)f));
}

/* Returns the halved amplitude that was sent. */
static float setamp(ViSession vi, char *buf, const char *amp)
{
    float a = (float)numval(amp) / 2;
    if (a < 0.04 || a > 20)
        visaclose(vi, kAmpError);
    wbstr(vi, compose(vi, buf, "%fV\r\n", (double)a));
    return a;
}

/* The offset may not rise above a limit set by the amplitude's band; a
   negative offset, and any offset without a known amplitude, passes. */
static void setoffs(ViSession vi, char *buf, const char *offs, int haveamp, float a)
{
    float o = (float)numval(offs);
    double limit = 0;
    int limited = 1;
    if (!haveamp || a > 10)
        limited = 0;
    else if (a >= 1)
        limit = fabs(5.0 - (double)a);
    else if (a >= 0.1)
        limit = fabs(1.0 - (double)a);
    else
        limit = fabs(0.1 - (double)a);
    if (limited && o > limit)
        visaclose(vi, compose(vi, buf, "Excess Offs range. Limit:Offs<=%E\n", limit));
    wbstr(vi, compose(vi, buf, "%fVof\r\n", (double)o));
}

int main(int argc, char *argv[])
{
    char *buf = (char *)malloc(kBufSize);
    if (buf == NULL) {
        fputs(kNoMemory, stderr);
        return 1;
    }
    if (argc != 6) {
        usage();
        free(buf);
        return 1;
    }
    const char *addr = argv[1], *func = argv[2], *freq = argv[3];
    const char *amp = argv[4], *offs = argv[5];

    int n = snprintf(buf, kBufSize, "%s::INSTR", addr);
    if (n < 0 || (size_t)n >= kBufSize) {
        fputs(kAddrError, stderr);
        free(buf);
        return 1;
    }
    ViSession vi = opencomm(buf, kTimeout);
    if (strncmp(addr, "ASRL", 4) == 0)
        setrs232(vi, 9600, 8, VI_ASRL_FLOW_RTS_CTS, VI_ASRL_PAR_NONE,
                 VI_ASRL_STOP_ONE);

    char copy[kFuncSize] = "";
    if (!nochange(func))
        setfunc(vi, buf, func, copy);
    if (!nochange(freq))
        setfreq(vi, buf, freq, copy);
    float a = 0;
    if (!nochange(amp))
        a = setamp(vi, buf, amp);
    if (!nochange(offs))
        setoffs(vi, buf, offs, !nochange(amp), a);

    free(buf);
    fputs("\nProgram Completed Successfully.\n", stderr);
    viClose(vi);
    viClose(defaultRM);
    return 0;
}
