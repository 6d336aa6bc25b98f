// engstr.cpp - numbers in engineering notation (mantissa 1 to 1000, exponent
// a multiple of 3) and the sign of a number.
//
// engstr and sengstr each own a ring of 12 result buffers: a result stays
// intact for the next 11 calls of the same function and is never freed.

#include <math.h>
#include <string.h>

#include "instr.h"

namespace {

const int kRingSize = 12;
const int kBufSize = 32;

// Largest digit counts whose every result fits a buffer with its terminator;
// larger counts are lowered to these.
const int kEngMaxDigits = 23;
const int kSengMaxDigits = 27;

// SI prefix letters for the exponents -18 to 12; '?' for any other.
const char kPrefixes[] = "afpnum kMGT";
const int kLowestPrefixExp = -18;

char prefixLetter(int e) {
    int i = (e - kLowestPrefixExp) / 3;
    if (e < kLowestPrefixExp || i >= (int)sizeof kPrefixes - 1)
        return '?';
    return kPrefixes[i];
}

// Scales x into 1 <= |x| <= 1000 (a NaN stays as it is) and returns the
// exponent. A mantissa of exactly 1000 is not divided again. x must be finite.
int scale(double &x) {
    int e = 0;
    while (fabs(x) < 1) {
        x *= 1000;
        e -= 3;
    }
    while (fabs(x) > 1000) {
        x /= 1000;
        e += 3;
    }
    return e;
}

// Decimals for a mantissa x so that it shows n significant digits.
int decimals(double x, int n) {
    int p = n - 1;
    if (fabs(x) >= 10)
        p--;
    if (fabs(x) >= 100)
        p--;
    return p < 0 ? 0 : p;
}

// Writes head, n - 1 zeros and tail into buf (the text of a zero value).
void zeroText(char *buf, const char *head, int n, const char *tail) {
    size_t len = strlen(head);
    memcpy(buf, head, len);
    for (int i = 1; i < n; i++)
        buf[len++] = '0';
    strcpy(buf + len, tail);
}

}  // namespace

// Engineering notation with exponent: 1.2345000e+3; zero is +0.0000000e0;
// infinities are inf and -inf.
char *engstr(double x, int n) {
    static char str[kRingSize][kBufSize];
    static short strptr = 0;
    strptr = (strptr + 1) % kRingSize;
    char *buf = str[strptr];
    if (n > kEngMaxDigits)
        n = kEngMaxDigits;

    if (x == 0) {
        zeroText(buf, "+0.", n, "e0");
    } else if (isinf(x)) {
        snprintf(buf, kBufSize, "%s", x > 0 ? "inf" : "-inf");
    } else {
        int e = scale(x);
        snprintf(buf, kBufSize, "%.*lfe%+d", decimals(x, n), x, e);
    }
    return buf;
}

// Engineering notation with an SI prefix letter: 4.70n, 42.0 (a blank for
// exponent 0), 1.50? out of the prefix range; zero is " 0.00"; infinities are
// inf? and -inf?.
char *sengstr(double x, int n) {
    static char str[kRingSize][kBufSize];
    static short strptr = 0;
    strptr = (strptr + 1) % kRingSize;
    char *buf = str[strptr];
    if (n > kSengMaxDigits)
        n = kSengMaxDigits;

    if (x == 0) {
        zeroText(buf, " 0.", n, "");
    } else if (isinf(x)) {
        snprintf(buf, kBufSize, "%s?", x > 0 ? "inf" : "-inf");
    } else {
        int e = scale(x);
        snprintf(buf, kBufSize, "%.*lf%c", decimals(x, n), x, prefixLetter(e));
    }
    return buf;
}

// 1, 0 or -1; either zero gives 0, a NaN -1.
int sign(double x) {
    if (x == 0)
        return 0;
    return x > 0 ? 1 : -1;
}

// 1 or -1; either zero gives 1, a NaN -1.
int sgn(double x) {
    return x >= 0 ? 1 : -1;
}
