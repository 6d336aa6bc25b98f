// datafile.cpp - opening data files with a default extension. A file that
// cannot be opened ends the program through err.

#include <string.h>

#include "instr.h"

namespace {

// Room for the composed name, terminator included.
const size_t kNameSize = 120;

// How a file is opened and the words its failure text adds after the name.
struct OpenMode {
    const char *mode;
    const char *failureWords;
};
const OpenMode kWrite = {"w", " for writing"};
const OpenMode kRead = {"r", ""};

// The name counts as having an extension when its first '.' lies within its
// last k + 1 characters (k the length of ext), whatever follows that '.'.
bool needsExtension(const char *name, size_t n, size_t k) {
    const char *dot = strchr(name, '.');
    return dot == nullptr || (size_t)(dot - name) + k + 1 < n;
}

[[noreturn]] void cannotOpen(const char *name, const char *point, const char *ext,
                             const OpenMode &how) {
    fprintf(stderr, "Could not open file `%s%s%s'%s.\n", name, point, ext,
            how.failureWords);
    err("Aborting program");
}

// Opens name, with "." and ext appended when it has no extension of its own.
// A composed name too long for the name buffer is refused like a file that
// cannot be opened, and reported in full.
FILE *open2(const char *name, const char *ext, const OpenMode &how) {
    size_t n = strlen(name);
    size_t k = strlen(ext);
    bool append = needsExtension(name, n, k);
    const char *point = append ? "." : "";
    if (!append)
        ext = "";
    if (n + strlen(point) + strlen(ext) >= kNameSize)
        cannotOpen(name, point, ext, how);

    char fname[kNameSize];
    snprintf(fname, sizeof fname, "%s%s%s", name, point, ext);
    FILE *f = fopen(fname, how.mode);
    if (f == nullptr)
        cannotOpen(fname, "", "", how);
    return f;
}

}  // namespace

FILE *open2write(const char *name, const char *ext) {
    return open2(name, ext, kWrite);
}

FILE *open2read(const char *name, const char *ext) {
    return open2(name, ext, kRead);
}
