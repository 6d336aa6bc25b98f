// stb.cpp - the status byte (status, dspstb) and the termination character
// (setTermChar, unsetTermChar).
#include <stdio.h>
#include <stdlib.h>

#include "instr.h"
#include "tables.h"

// Fatal outcomes of viReadSTB, through err.
static const StatusText statusFailureList[] = {
    {VI_ERROR_INV_OBJECT, "Invalid SESSION reference.\n"},
    {VI_ERROR_NSUP_OPER, "This type of session cannot do a viRead.\n"},
    {VI_ERROR_RSRC_LOCKED, "The session is LOCKED.\n"},
    {VI_ERROR_SRQ_NOCCURRED, "Service req not received for the session.\n"},
    {VI_ERROR_TMO, "The session TIMED OUT.\n"},
    {VI_ERROR_RAW_WR_PROT_VIOL, "Violaton of RAW Write protocol occurred.\n"},
    {VI_ERROR_RAW_RD_PROT_VIOL, "Violaton of RAW Read protocol occurred.\n"},
    {VI_ERROR_OUTP_PROT_VIOL, "Dev reports Violaton of OUTPUT protocol occurred.\n"},
    {VI_ERROR_BERR, "Bus error occurred.\n"},
    {VI_ERROR_NCIC, "I am not the bus controller.\n"},
    {VI_ERROR_NLISTENERS, "No listeners....\n"},
};

// Failures of setting the termination character itself.
static const StatusText termCharList[] = {
    {VI_ERROR_INV_OBJECT, "Invalid SESSION reference.\n"},
    {VI_ERROR_NSUP_ATTR, "This attribute is not supported.\n"},
    {VI_ERROR_NSUP_ATTR_STATE, "This attribute cannot be set to this value!\n"},
    {VI_ERROR_RSRC_LOCKED, "The session is LOCKED.\n"},
    {VI_ERROR_ATTR_READONLY, "The attribute is read only.\n"},
};

// Failures of switching the termination character on.
static const StatusText termCharEnableList[] = {
    {VI_ERROR_INV_OBJECT, "Invalid enable SESSION reference.\n"},
    {VI_ERROR_NSUP_ATTR, "This enable attribute is not supported.\n"},
    {VI_ERROR_NSUP_ATTR_STATE, "This enable attribute cannot be set to this value!\n"},
    {VI_ERROR_RSRC_LOCKED, "The enable session is LOCKED.\n"},
    {VI_ERROR_ATTR_READONLY, "The enable attribute is read only.\n"},
};

int status(ViSession vi)
{
  // 0 unless VISA stores a value, so a failed read echoes 0.
  ViUInt16 value = 0;
  ViStatus s = viReadSTB(vi, &value);
  if (BusEcho) fprintf(stderr, "\nStatus:<%d>\n", (int)value);
  if (s == VI_SUCCESS) return value;
  fputs("Failure obtaining status byte in viReadSTB statement...\n", stderr);
  const char *text = statusText(statusFailureList, s);
  if (text) err(text);
  exit(1);
}

void dspstb(ViSession vi)
{
  int v = status(vi);
  char text[32];
  snprintf(text, sizeof text, "Status byte: %c%c%c%c%c%c%c%c", v & 0x80 ? '1' : '0',
           v & 0x40 ? '1' : '0', v & 0x20 ? '1' : '0', v & 0x10 ? '1' : '0',
           v & 0x08 ? '1' : '0', v & 0x04 ? '1' : '0', v & 0x02 ? '1' : '0',
           v & 0x01 ? '1' : '0');
  msg(text);
}

void setTermChar(ViSession vi, unsigned char c)
{
  ViStatus charStatus = viSetAttribute(vi, VI_ATTR_TERMCHAR, c);
  ViStatus enableStatus = viSetAttribute(vi, VI_ATTR_TERMCHAR_EN, VI_TRUE);
  if (charStatus == VI_SUCCESS && enableStatus == VI_SUCCESS) return;
  fputs("Failure establishing termination character...  \n", stderr);
  const char *text = statusText(termCharList, charStatus);
  if (!text) text = statusText(termCharEnableList, enableStatus);
  if (text) err(text);
  exit(1);
}

void unsetTermChar(ViSession vi)
{
  viSetAttribute(vi, VI_ATTR_TERMCHAR_EN, VI_FALSE);
}
