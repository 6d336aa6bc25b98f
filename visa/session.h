// session.h - the session layer: handles, attributes and the read/write
// policy (termination character, END, count, one deadline per call) over
// whichever transport a resource string chose. The C API (api.cpp) calls
// these and nothing else; none of them throws anything but std::bad_alloc.
#pragma once

#include "visa.h"

namespace visa {

ViStatus openDefaultRM(ViSession *vi);
ViStatus open(ViSession rm, const char *name, ViAccessMode mode, ViSession *vi);
ViStatus close(ViSession vi);
ViStatus setAttribute(ViSession vi, ViAttr attr, ViAttrState value);
ViStatus getAttribute(ViSession vi, ViAttr attr, void *value);
ViStatus write(ViSession vi, const ViByte *buf, ViUInt32 count, ViUInt32 *sent);
ViStatus read(ViSession vi, ViByte *buf, ViUInt32 count, ViUInt32 *got);
ViStatus readToFile(ViSession vi, const char *fileName, ViUInt32 count, ViUInt32 *got);
ViStatus readSTB(ViSession vi, ViUInt16 *stb);
ViStatus clear(ViSession vi);
ViStatus flush(ViSession vi, ViUInt16 mask);
ViStatus setBuf(ViSession vi, ViUInt16 mask, ViUInt32 size);

// For the trace: the name of the transport behind vi ("RM" for a resource
// manager, "-" for no session), and the errno of its last failed system
// call (0 if none since the last ask).
const char *transportName(ViSession vi);
int takeErrno(ViSession vi);

}  // namespace visa
