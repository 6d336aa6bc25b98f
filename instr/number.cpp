/*
 * number.cpp - the numeric value of an argument or reply text, as both
 * programs read it: the longest leading decimal number (white space, sign,
 * digits with an optional point, an optional exponent); 0 when there is none.
 * Words such as INF, NAN, MAX and MIN and hexadecimal forms are not numbers.
 */
#include <ctype.h>
#include <stdlib.h>

#include "instr.h"

/* Where the leading decimal number of text ends; text itself when it has
   none. */
static const char *numend(const char *text)
{
    const char *p = text;
    int digits = 0;
    while (isspace((unsigned char)*p))
        p++;
    if (*p == '+' || *p == '-')
        p++;
    for (; isdigit((unsigned char)*p); p++)
        digits++;
    if (*p == '.')
        for (p++; isdigit((unsigned char)*p); p++)
            digits++;
    if (digits == 0)
        return text;
    if (*p == 'e' || *p == 'E') {
        const char *q = p + 1;
        if (*q == '+' || *q == '-')
            q++;
        if (isdigit((unsigned char)*q)) {
            while (isdigit((unsigned char)*q))
                q++;
            p = q;
        }
    }
    return p;
}

double numval(const char *text)
{
    const char *end = numend(text);
    if (end == text)
        return 0.0;
    char *stop;
    double value = strtod(text, &stop);
    /* strtod reads past the decimal number only into a hexadecimal form,
       whose decimal part is a lone zero. */
    return stop == end ? value : 0.0;
}
