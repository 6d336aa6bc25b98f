/*
 * velkar - configures and switches on the burst (cycle) mode of a 33220A
 * function generator.
 *
 *   velkar Addr #cyc Trgsou Trgout Angle Phase Period(optional)
 *
 * One straight pass: open the instrument, switch the output and every
 * modulation off, read the frequency and the wave shape, check the
 * arguments against them, send the burst settings and read each one back,
 * then switch burst and output on. Every refusal ends the run through
 * visaclose (exit status 1); a completed run exits with 0.
 *
 * Streams: the usage text, notices, the burst mode read-back and the
 * completion line go to standard error, the other read-backs to standard
 * output.
 */
#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "instr.h"

/* Work buffer: resource string, commands and error texts built from
 * arguments, and every reply except frequency and function. */
static const size_t kBufSize = 10000;
/* Read limit for replies read into the work buffer. */
static const ViUInt32 kReadLimit = 1000;
/* Reply buffers of their own, with room for rbstr's terminating zero. */
static const ViUInt32 kFreqLimit = 50;
static const ViUInt32 kFuncLimit = 10;

static const char *const kUsage[] = {
    "Hardware: Agilent 33220A.\n",
    "Software Description:",
    " Set & enable burst (cycle) funciton.\n\n",
    "USE FORMAT:\n",
    "velkar Addr #cyc Trgsou Trgout Angle Phase Period(optional)",
    "\n",
    "Addr:    The address of the desired device.\n",
    "            e.g.USB1::1689::869::C020200::0\n",
    "#cyc:    Number of burst cycle. #cyc < Period * Waveform Frequency (Trgsou=INT)\n",
    "            e.g. MAX,MIN,INF,1~50E3.\n",
    "Trgsou:  Choose trigger source.MAN uses prell.exe to send trigger signal.\n",
    "            e.g. INT,EXR,EXF,MAN\n",
    "Trgout:  Trun on trigger output.\n",
    "            e.g. OFF,RISE,FALL\n",
    "Angle:   Desired Phase unit.\n",
    "            e.g. DEG,RAD\n",
    "Phase:   Desired starting Phase.\n",
    "\t         e.g. -360~360(DEG), -2~2(RAD)\n",
    "Period(Optional): Desired burst period ONLY when Trgsouc=INT.\n",
    "                  e.g. MAX,MIN,1E-6~500E0.\n",
};

/* Commands that switch the output and every modulation off and select
 * triggered burst before anything is read from the instrument. */
static const char *const kPrepare[] = {
    "OUTPUT OFF\n",   "AM:STAT OFF\n",   "FM:STAT OFF\n",
    "PM:STAT OFF\n",  "FSK:STAT OFF\n",  "PWM:STAT OFF\n",
    "SWE:STAT OFF\n", "BURS:STAT OFF\n", "PWM:STAT OFF\n",
    "BURST:MODE TRIG\n",
};

/* Keyword test: the first k characters of text equal those of form, case
 * ignored. Nothing after them is looked at; a shorter text never matches. */
static bool kw(const char *text, size_t k, const char *form)
{
    for (size_t i = 0; i < k; i++) {
        if (text[i] == '\0' ||
            toupper((unsigned char)text[i]) != toupper((unsigned char)form[i]))
            return false;
    }
    return true;
}

/* Sends head, arg and a line feed, built in the work buffer. A text that
 * does not fit ends the run with toolong. */
static void sendarg(ViSession vi, char *buf, const char *head, const char *arg,
                    const char *toolong)
{
    int len = snprintf(buf, kBufSize, "%s%s\n", head, arg);
    if (len < 0 || (size_t)len >= kBufSize)
        visaclose(vi, toolong);
    wbstr(vi, buf);
}

/* Writes a query and reads its reply into buf. */
static void query(ViSession vi, const char *q, char *buf, ViUInt32 limit)
{
    wbstr(vi, q);
    rbstr(vi, buf, limit);
}

/* Numeric read-back: the reply's value in engineering notation. */
static const char *engreply(char *reply)
{
    return engstr(numval(reply), 8);
}

int main(int argc, char *argv[])
{
    char *buf = (char *)malloc(kBufSize);
    if (buf == NULL) {
        fputs("velkar: cannot obtain the 10000-byte work buffer.\n", stderr);
        return 1;
    }

    if (argc != 7 && argc != 8) {
        for (size_t i = 0; i < sizeof kUsage / sizeof kUsage[0]; i++)
            fputs(kUsage[i], stderr);
        free(buf);
        return 1;
    }
    const char *addr = argv[1];
    char *cyc = argv[2];
    const char *trgsou = argv[3];
    const char *trgout = argv[4];
    const char *angle = argv[5];
    char *phase = argv[6];
    char *period = argc == 8 ? argv[7] : NULL;

    int len = snprintf(buf, kBufSize, "%s::INSTR", addr);
    if (len < 0 || (size_t)len >= kBufSize) {
        fputs("Error Addr input. Too long.\n", stderr);
        free(buf);
        return 1;
    }
    ViSession vi = opencomm(buf, 3000);
    if (strncmp(addr, "ASRL", 4) == 0)
        setrs232(vi, 9600, 8, 2, 0, 10);

    for (size_t i = 0; i < sizeof kPrepare / sizeof kPrepare[0]; i++)
        wbstr(vi, kPrepare[i]);

    char freqbuf[kFreqLimit + 1];
    char funcbuf[kFuncLimit + 1];
    query(vi, "FREQUENCY?\n", freqbuf, kFreqLimit);
    double f = numval(freqbuf);
    query(vi, "FUNCTION?\n", funcbuf, kFuncLimit);
    query(vi, "FUNC?\n", funcbuf, kFuncLimit);

    if (strncmp(funcbuf, "NOIS", 4) == 0 || strncmp(funcbuf, "DC", 2) == 0)
        visaclose(vi, "velkar does not support NOISE, DC funcitons.\n");

    query(vi, "BURST:MODE?\n", buf, kReadLimit);
    fprintf(stderr, "BURST MODE = %s", buf);

    /* Cycle count. With internal triggering the count must fit the burst
     * period: Period x f (or the default 10 ms x f when no Period is given)
     * must exceed it, the product kept in extended precision. */
    double n = numval(cyc);
    bool internal = kw(trgsou, 1, "I");
    const char *cycTooLong = "Error #cyc input. Too long.\n";
    if (kw(funcbuf, 1, "S") && f > 6000000.0) {
        fputs("Sin & Square waveforms above 6E6 Hz only #cyc=INF is applicable.\n"
              "Program is applying INF.\n",
              stderr);
        wbstr(vi, "BURST:NCYCLES INF\n");
    } else if (kw(cyc, 2, "MA")) {
        wbstr(vi, "BURST:NCYCLES MAX\n");
    } else if (kw(cyc, 2, "MI")) {
        wbstr(vi, "BURST:NCYCLES MIN\n");
    } else if (kw(cyc, 1, "I")) {
        wbstr(vi, "BURST:NCYCLES INF\n");
    } else if (n < 1 || n > 50000) {
        visaclose(vi, "Error #cyc inputs. e.g. MAX,MIN,INF,1~50E3.\n");
    } else if (internal) {
        long double limit = period != NULL ? (long double)numval(period) * f
                                           : 10E-3L * f;
        if (limit > n) {
            sendarg(vi, buf, "BURST:NCYCLES ", cyc, cycTooLong);
        } else {
            snprintf(buf, kBufSize,
                     "Error #cyc input.\nIf Trgsou=INT, 1 >= #cyc < %E\n",
                     (double)limit);
            visaclose(vi, buf);
        }
    } else {
        sendarg(vi, buf, "BURST:NCYCLES ", cyc, cycTooLong);
    }
    query(vi, "BURST:NCYCLES?\n", buf, kReadLimit);
    printf("BURST CYCLES = %s\n", engreply(buf));

    /* Trigger source and edge. */
    if (internal) {
        wbstr(vi, "TRIGGER:SOURCE IMM\n");
        query(vi, "TRIGGER:SOURCE?\n", buf, kReadLimit);
        printf("TRIGGER SOURCE = %s", buf);
    } else if (kw(trgsou, 1, "M")) {
        wbstr(vi, "TRIGGER:SOURCE BUS\n");
        query(vi, "TRIGGER:SOURCE?\n", buf, kReadLimit);
        printf("TRIGGER SOURCE = %s", buf);
    } else if (kw(trgsou, 3, "EXR") || kw(trgsou, 3, "EXF")) {
        wbstr(vi, kw(trgsou, 3, "EXR") ? "TRIGGER:SLOP POS\n" : "TRIGGER:SLOP NEG\n");
        wbstr(vi, "TRIGGER:SOURCE EXT\n");
        query(vi, "TRIGGER:SOURCE?\n", buf, kReadLimit);
        printf("TRIGGER SOURCE = %s", buf);
        query(vi, "TRIGGER:SLOPE?\n", buf, kReadLimit);
        printf("TRIGGER EDGE = %s", buf);
    } else {
        visaclose(vi, "Error Trgsou inputs. e.g. INT,EXR,EXF,MAN\n");
    }

    /* Trigger output. */
    if (kw(trgout, 1, "O")) {
        wbstr(vi, "OUTPUT:TRIGGER OFF\n");
        query(vi, "OUTPUT:TRIGGER?\n", buf, kReadLimit);
        printf("TRIGGER OUTPUT = %s", buf);
    } else if (kw(trgout, 1, "R") || kw(trgout, 1, "F")) {
        wbstr(vi, "OUTPUT:TRIGGER ON\n");
        wbstr(vi, kw(trgout, 1, "R") ? "OUTPUT:TRIGGER:SLOPE POS\n"
                                     : "OUTPUT:TRIGGER:SLOPE NEG\n");
        query(vi, "OUTPUT:TRIGGER?\n", buf, kReadLimit);
        printf("TRIGGER OUTPUT = %s", buf);
        query(vi, "OUTPUT:TRIGGER:SLOPE?\n", buf, kReadLimit);
        printf("TRIGGER OUTPUT SLOPE = %s", buf);
    } else {
        visaclose(vi, "Error Trgout inputs. e.g. OFF,RISE,FALL\n");
    }

    /* Phase unit; an unknown one leaves the instrument's unit as it is. */
    bool deg = kw(angle, 1, "D");
    bool rad = kw(angle, 1, "R");
    if (deg)
        wbstr(vi, "UNIT:ANGLE DEG\n");
    else if (rad)
        wbstr(vi, "UNIT:ANGLE RAD\n");
    else
        fputs("Error Angle input. e.g. DEG,RAD\n", stderr);
    query(vi, "UNIT:ANGLE?\n", buf, kReadLimit);
    printf("PHASE UNIT = %s", buf);

    /* Start phase: degrees go out as typed, radians are given in units of
     * pi and sent in radians. */
    double v = numval(phase);
    if (kw(phase, 2, "MA")) {
        wbstr(vi, "BURST:PHASE MAX\n");
    } else if (kw(phase, 2, "MI")) {
        wbstr(vi, "BURST:PHASE MIN\n");
    } else if (deg && v >= -360 && v <= 360) {
        sendarg(vi, buf, "BURST:PHASE ", phase, "Error Phase input. Too long.\n");
    } else if (rad && v >= -2 && v <= 2) {
        snprintf(buf, kBufSize, "BURST:PHASE %E\n", (double)((long double)v * 3.14159265));
        wbstr(vi, buf);
    } else {
        visaclose(vi, "Error Phase input. e.g. MAX,MIN, -360~360(DEG), -2~2(RAD)\n");
    }
    query(vi, "BURST:PHASE?\n", buf, kReadLimit);
    printf("START PHASE = %s\n", engreply(buf));

    /* Burst period, for internal triggering only: it must exceed the burst
     * itself by 200 ns, the bound kept in extended precision. */
    if (internal) {
        if (period == NULL) {
            wbstr(vi, "BURST:INTERNAL:PERIOD 10E-3\n");
        } else if (kw(period, 2, "MA")) {
            wbstr(vi, "BURST:INTERNAL:PERIOD MAX\n");
        } else if (kw(period, 2, "MI")) {
            wbstr(vi, "BURST:INTERNAL:PERIOD MIN\n");
        } else {
            double p = numval(period);
            if (p < 1E-6 || p > 500)
                visaclose(vi, "Error Period inputs. e.g. MAX,MIN,1E-6~500E0.\n");
            long double bound = (long double)n / f + 200E-9;
            if (p > bound) {
                sendarg(vi, buf, "BURST:INTERNAL:PERIOD ", period,
                        "Error Period input. Too long.\n");
            } else {
                snprintf(buf, kBufSize,
                         "Period must > %E ((#cyc/Waveform Freq)+200E-9)\n",
                         (double)bound);
                visaclose(vi, buf);
            }
        }
        query(vi, "BURST:INTERNAL:PERIOD?\n", buf, kReadLimit);
        printf("BURST PERIOD = %s\n", engreply(buf));
    }

    /* Enabling. */
    wbstr(vi, "BURS:STAT ON\n");
    query(vi, "BURS:STAT?\n", buf, kReadLimit);
    printf("BURST = %s", buf);
    wbstr(vi, "OUTPUT ON\n");
    query(vi, "OUTPUT?\n", buf, kReadLimit);
    printf("OUTPUT = %s", buf);
    wbstr(vi, "*WAI\n");

    free(buf);
    fputs("\nProgram Completed Successfully.\n", stderr);
    viClose(vi);
    viClose(defaultRM);
    return 0;
}
