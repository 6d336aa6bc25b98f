/*
 * visa.h - the project's VISA library: a C API with the standard's names and
 * values (sessions, resource strings, I/O, attributes, statuses).
 *
 * Resources served:
 *   ASRL<n>::INSTR           serial line /dev/ttyS<n-1>
 *   ASRL<path>::INSTR        serial line at that device file (ASRL/dev/ttyUSB0::INSTR)
 *   SIM::<model>[::KEY=VALUE]...::INSTR
 *                            a simulated instrument running in this process
 *                            (models: FG503, 33220A)
 * Interface names are case-insensitive. TCPIP, USB, GPIB, GPIB-VXI, VXI and
 * PXI strings give VI_ERROR_INTF_NUM_NCONFIG: valid types not served here.
 * Every call returns a status; no call throws.
 *
 * Serial lines open raw (bytes unchanged both ways), never as the controlling
 * terminal, at 9600 baud, 8 data bits, no parity, one stop bit, no flow
 * control; a read always ends at the termination character there. A setting
 * the line does not keep (read back after it is made; a pseudo-terminal keeps
 * only 8 data bits without parity) is refused with VI_ERROR_NSUP_ATTR_STATE.
 * A simulated instrument with nothing to say makes a read wait out the
 * time-out (at once with VI_TMO_INFINITE) and end with VI_ERROR_TMO.
 *
 * Trace: setting VISA_TRACE=<file> in the environment appends one line per
 * call (arguments, bytes moved, status by name and value, transport) to that
 * file. The variable is read each time viOpenDefaultRM opens a resource
 * manager; without it tracing is off and costs nothing.
 */
#ifndef VISA_H
#define VISA_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Types --------------------------------------------------------------- */
typedef int32_t ViStatus;
typedef uint32_t ViUInt32;
typedef int32_t ViInt32;
typedef uint16_t ViUInt16;
typedef int16_t ViInt16;
typedef uint8_t ViByte;
typedef char ViChar;
typedef ViUInt32 ViObject;
typedef ViObject ViSession;
typedef ViUInt32 ViAttr;
typedef uint64_t ViAttrState;
typedef ViUInt32 ViAccessMode;
typedef ViSession *ViPSession;
typedef ViUInt32 *ViPUInt32;
typedef ViUInt16 *ViPUInt16;
typedef ViByte *ViBuf;
typedef const ViByte *ViConstBuf;
typedef const ViChar *ViRsrc;
typedef const ViChar *ViConstString;
typedef void *ViAddr;

#define VI_NULL 0
#define VI_TRUE 1
#define VI_FALSE 0

/* ---- Sessions -------------------------------------------------------------
 * viOpenDefaultRM(vi)
 *   out vi: a new resource manager session.
 *   VI_SUCCESS; VI_ERROR_INV_PARAMETER (vi is NULL); VI_ERROR_ALLOC.
 * viOpen(rm, name, mode, timeout, vi)
 *   in rm: a resource manager session; name: resource string; mode: 0;
 *   timeout: ignored (no locks); out vi: the device session.
 *   VI_SUCCESS; VI_ERROR_INV_OBJECT (rm unknown or closed);
 *   VI_ERROR_NSUP_OPER (rm is a device session); VI_ERROR_INV_RSRC_NAME
 *   (malformed string); VI_ERROR_RSRC_NFOUND (well formed, device absent);
 *   VI_ERROR_INTF_NUM_NCONFIG (interface type this library does not serve);
 *   VI_ERROR_RSRC_BUSY (device cannot be opened now); VI_ERROR_INV_ACC_MODE;
 *   VI_ERROR_INV_PARAMETER (name or vi is NULL).
 * viClose(vi)
 *   Closes a device session, or a resource manager session together with
 *   every session it opened. VI_SUCCESS; VI_ERROR_INV_OBJECT.
 * Session handles are never reused within a process.
 */
ViStatus viOpenDefaultRM(ViPSession vi);
ViStatus viOpen(ViSession rm, ViRsrc name, ViAccessMode mode, ViUInt32 timeout,
                ViPSession vi);
ViStatus viClose(ViObject vi);

/* ---- Attributes -----------------------------------------------------------
 * viSetAttribute(vi, attr, value)
 *   VI_SUCCESS; VI_ERROR_INV_OBJECT; VI_ERROR_NSUP_ATTR (not an attribute of
 *   this session's interface); VI_ERROR_NSUP_ATTR_STATE (a value the session
 *   or the line cannot take); VI_ERROR_ATTR_READONLY.
 * viGetAttribute(vi, attr, value)
 *   out value: the attribute, written as a ViUInt32 for VI_ATTR_TMO_VALUE,
 *   VI_ATTR_ASRL_BAUD and VI_ATTR_INTF_TYPE, as a ViUInt16 for the other
 *   serial attributes, VI_ATTR_INTF_NUM and VI_ATTR_TERMCHAR_EN, as a ViByte
 *   for VI_ATTR_TERMCHAR.
 *   VI_SUCCESS; VI_ERROR_INV_OBJECT; VI_ERROR_NSUP_ATTR.
 */
ViStatus viSetAttribute(ViObject vi, ViAttr attr, ViAttrState value);
ViStatus viGetAttribute(ViObject vi, ViAttr attr, void *value);

#define VI_ATTR_TERMCHAR 0x3FFF0018UL
#define VI_ATTR_TMO_VALUE 0x3FFF001AUL
#define VI_ATTR_ASRL_BAUD 0x3FFF0021UL
#define VI_ATTR_ASRL_DATA_BITS 0x3FFF0022UL
#define VI_ATTR_ASRL_PARITY 0x3FFF0023UL
#define VI_ATTR_ASRL_STOP_BITS 0x3FFF0024UL
#define VI_ATTR_ASRL_FLOW_CNTRL 0x3FFF0025UL
#define VI_ATTR_TERMCHAR_EN 0x3FFF0038UL
#define VI_ATTR_INTF_TYPE 0x3FFF0171UL
#define VI_ATTR_INTF_NUM 0x3FFF0176UL

#define VI_TMO_IMMEDIATE 0UL
#define VI_TMO_INFINITE 0xFFFFFFFFUL

#define VI_INTF_GPIB 1
#define VI_INTF_VXI 2
#define VI_INTF_GPIB_VXI 3
#define VI_INTF_ASRL 4
#define VI_INTF_PXI 5
#define VI_INTF_TCPIP 6
#define VI_INTF_USB 7
#define VI_INTF_SIM 100 /* this library's simulated instruments */

#define VI_ASRL_PAR_NONE 0
#define VI_ASRL_PAR_ODD 1
#define VI_ASRL_PAR_EVEN 2
#define VI_ASRL_PAR_MARK 3
#define VI_ASRL_PAR_SPACE 4

#define VI_ASRL_STOP_ONE 10
#define VI_ASRL_STOP_ONE5 15
#define VI_ASRL_STOP_TWO 20

#define VI_ASRL_FLOW_NONE 0
#define VI_ASRL_FLOW_XON_XOFF 1
#define VI_ASRL_FLOW_RTS_CTS 2
#define VI_ASRL_FLOW_DTR_DSR 4

/* ---- Basic I/O ------------------------------------------------------------
 * viWrite(vi, buf, count, retCount)
 *   Sends count bytes unchanged within the session's time-out.
 *   out retCount (may be NULL): bytes sent.
 *   VI_SUCCESS; VI_ERROR_TMO (not all sent in time); VI_ERROR_IO or
 *   VI_ERROR_CONN_LOST (line gone); VI_ERROR_INV_OBJECT; VI_ERROR_NSUP_OPER.
 * viRead(vi, buf, count, retCount)
 *   Reads until the termination character (serial lines always end there;
 *   elsewhere when VI_ATTR_TERMCHAR_EN is set) -> VI_SUCCESS_TERM_CHAR, until
 *   the instrument ends its message -> VI_SUCCESS, until count bytes ->
 *   VI_SUCCESS_MAX_CNT, or until the time-out -> VI_ERROR_TMO with the bytes
 *   that did arrive. VI_ERROR_IO / VI_ERROR_CONN_LOST at once when the line
 *   goes away. out retCount (may be NULL): bytes stored.
 * viReadToFile(vi, fileName, count, retCount)
 *   As viRead, writing what it reads to fileName (created or emptied).
 *   VI_ERROR_FILE_ACCESS (cannot open); VI_ERROR_FILE_IO (cannot write).
 * viReadSTB(vi, status)
 *   out status: the instrument's status byte. VI_ERROR_NSUP_OPER where the
 *   interface or instrument has no status byte.
 * viClear(vi)
 *   Device clear: discards the session's and the line's buffers.
 *   On a resource manager session it succeeds and does nothing.
 * viFlush(vi, mask) / viSetBuf(vi, mask, size)
 *   mask: VI_READ_BUF_DISCARD, VI_WRITE_BUF_DISCARD, VI_IO_IN_BUF_DISCARD,
 *   VI_IO_OUT_BUF_DISCARD (flush); VI_READ_BUF, VI_WRITE_BUF, VI_IO_IN_BUF,
 *   VI_IO_OUT_BUF (set buffer). VI_ERROR_INV_MASK for any other bit.
 *   viFlush on a resource manager session succeeds and does nothing.
 */
ViStatus viWrite(ViSession vi, ViConstBuf buf, ViUInt32 count, ViPUInt32 retCount);
ViStatus viRead(ViSession vi, ViBuf buf, ViUInt32 count, ViPUInt32 retCount);
ViStatus viReadToFile(ViSession vi, ViConstString fileName, ViUInt32 count,
                      ViPUInt32 retCount);
ViStatus viReadSTB(ViSession vi, ViPUInt16 status);
ViStatus viClear(ViSession vi);
ViStatus viFlush(ViSession vi, ViUInt16 mask);
ViStatus viSetBuf(ViSession vi, ViUInt16 mask, ViUInt32 size);

#define VI_READ_BUF 1
#define VI_WRITE_BUF 2
#define VI_READ_BUF_DISCARD 4
#define VI_WRITE_BUF_DISCARD 8
#define VI_IO_IN_BUF 16
#define VI_IO_OUT_BUF 32
#define VI_IO_IN_BUF_DISCARD 64
#define VI_IO_OUT_BUF_DISCARD 128

/* ---- Statuses ------------------------------------------------------------ */
#define VI_SUCCESS 0
#define VI_SUCCESS_TERM_CHAR 0x3FFF0005L
#define VI_SUCCESS_MAX_CNT 0x3FFF0006L
#define VI_WARN_NSUP_ATTR_STATE 0x3FFF0084L
#define VI_WARN_NSUP_BUF 0x3FFF0088L

#define VI_ERROR ((ViStatus)0x80000000UL)
#define VI_ERROR_SYSTEM_ERROR (VI_ERROR + 0x3FFF0000L)
#define VI_ERROR_INV_OBJECT (VI_ERROR + 0x3FFF000EL)
#define VI_ERROR_INV_SESSION (VI_ERROR + 0x3FFF000EL)
#define VI_ERROR_RSRC_LOCKED (VI_ERROR + 0x3FFF000FL)
#define VI_ERROR_RSRC_NFOUND (VI_ERROR + 0x3FFF0011L)
#define VI_ERROR_INV_RSRC_NAME (VI_ERROR + 0x3FFF0012L)
#define VI_ERROR_INV_ACC_MODE (VI_ERROR + 0x3FFF0013L)
#define VI_ERROR_TMO (VI_ERROR + 0x3FFF0015L)
#define VI_ERROR_CLOSING_FAILED (VI_ERROR + 0x3FFF0016L)
#define VI_ERROR_NSUP_ATTR (VI_ERROR + 0x3FFF001DL)
#define VI_ERROR_NSUP_ATTR_STATE (VI_ERROR + 0x3FFF001EL)
#define VI_ERROR_ATTR_READONLY (VI_ERROR + 0x3FFF001FL)
#define VI_ERROR_RAW_WR_PROT_VIOL (VI_ERROR + 0x3FFF0034L)
#define VI_ERROR_RAW_RD_PROT_VIOL (VI_ERROR + 0x3FFF0035L)
#define VI_ERROR_OUTP_PROT_VIOL (VI_ERROR + 0x3FFF0036L)
#define VI_ERROR_INP_PROT_VIOL (VI_ERROR + 0x3FFF0037L)
#define VI_ERROR_BERR (VI_ERROR + 0x3FFF0038L)
#define VI_ERROR_INV_SETUP (VI_ERROR + 0x3FFF003AL)
#define VI_ERROR_ALLOC (VI_ERROR + 0x3FFF003CL)
#define VI_ERROR_INV_MASK (VI_ERROR + 0x3FFF003DL)
#define VI_ERROR_IO (VI_ERROR + 0x3FFF003EL)
#define VI_ERROR_SRQ_NOCCURRED (VI_ERROR + 0x3FFF004AL)
#define VI_ERROR_NLISTENERS (VI_ERROR + 0x3FFF005FL)
#define VI_ERROR_NCIC (VI_ERROR + 0x3FFF0060L)
#define VI_ERROR_NSUP_OPER (VI_ERROR + 0x3FFF0067L)
#define VI_ERROR_ASRL_PARITY (VI_ERROR + 0x3FFF006AL)
#define VI_ERROR_ASRL_FRAMING (VI_ERROR + 0x3FFF006BL)
#define VI_ERROR_ASRL_OVERRUN (VI_ERROR + 0x3FFF006CL)
#define VI_ERROR_RSRC_BUSY (VI_ERROR + 0x3FFF0072L)
#define VI_ERROR_INV_PARAMETER (VI_ERROR + 0x3FFF0078L)
#define VI_ERROR_LIBRARY_NFOUND (VI_ERROR + 0x3FFF009EL)
#define VI_ERROR_FILE_ACCESS (VI_ERROR + 0x3FFF00A1L)
#define VI_ERROR_FILE_IO (VI_ERROR + 0x3FFF00A2L)
#define VI_ERROR_INTF_NUM_NCONFIG (VI_ERROR + 0x3FFF00A5L)
#define VI_ERROR_CONN_LOST (VI_ERROR + 0x3FFF00A6L)

#ifdef __cplusplus
}
#endif

#endif /* VISA_H */
