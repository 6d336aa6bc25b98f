// Engineering-notation texts, their result rings, and sign/sgn.
#include <gtest/gtest.h>

#include <limits.h>
#include <math.h>
#include <string.h>

#include <string>

#include "instr.h"

namespace {

const double kNaN = NAN;
const double kInf = INFINITY;

struct EngCase {
    double x;
    int n;
    const char *text;
};

TEST(Engstr, FormatsWorkedResultsAndEdges) {
    const EngCase cases[] = {
        {1234.5, 8, "1.2345000e+3"},
        {0.00012, 8, "120.00000e-6"},
        {-0.5, 3, "-500e-3"},
        {12345678, 1, "12e+6"},
        {1, 8, "1.0000000e+0"},
        {100, 8, "100.00000e+0"},
        {1000, 8, "1000.00000e+0"},
        {1e-300, 8, "1.0000000e-300"},
        {0, 8, "+0.0000000e0"},
        {-0.0, 8, "+0.0000000e0"},
        {0, 1, "+0.e0"},
        {0, 0, "+0.e0"},
        {0, -4, "+0.e0"},
        // the mantissa is not normalised again after rounding
        {999.99999999, 8, "1000.00000e+0"},
        {0.9999999999, 8, "1000.00000e-3"},
        // an exact power of 1000 keeps the mantissa 1000
        {1e6, 8, "1000.00000e+3"},
        {-1e6, 8, "-1000.00000e+3"},
        // no decimal point when there are no decimals
        {42, 0, "42e+0"},
        {42, -7, "42e+0"},
        {kNaN, 3, "nane+0"},
        {kInf, 8, "inf"},
        {-kInf, 8, "-inf"},
        // digit counts above 23 are lowered to 23
        {1.5, 24, "1.5000000000000000000000e+0"},
        {-1000, INT_MAX, "-1000.00000000000000000000e+0"},
        // (each scaling step rounds to double)
        {-5e-300, 1000, "-4.9999999999999991118216e-300"},
    };
    for (const EngCase &c : cases) {
        const char *got = engstr(c.x, c.n);
        EXPECT_STREQ(c.text, got) << "engstr(" << c.x << ", " << c.n << ")";
    }
}

TEST(Sengstr, FormatsWorkedResultsAndEdges) {
    const EngCase cases[] = {
        {4.7e-9, 3, "4.70n"},
        {1234.5, 8, "1.2345000k"},
        {-2.2e-6, 3, "-2.20u"},
        {33000, 3, "33.0k"},
        {42, 3, "42.0 "},
        {1e6, 4, "1000.0k"},
        {1.5e15, 3, "1.50?"},
        {2e-18, 3, "2.00a"},
        {5e-15, 3, "5.00f"},
        {6.8e-12, 2, "6.8p"},
        {3e-3, 1, "3m"},
        {2.5e9, 3, "2.50G"},
        {4e12, 3, "4.00T"},
        {2e-21, 3, "2.00?"},
        {0, 3, " 0.00"},
        {-0.0, 3, " 0.00"},
        {0, 1, " 0."},
        {0, 0, " 0."},
        {kNaN, 3, "nan "},
        {kInf, 3, "inf?"},
        {-kInf, 3, "-inf?"},
        // digit counts above 27 are lowered to 27
        {1.5, 28, "1.50000000000000000000000000 "},
        {-1000, INT_MAX, "-1000.000000000000000000000000 "},
        {0, INT_MAX, " 0.00000000000000000000000000"},
    };
    for (const EngCase &c : cases) {
        const char *got = sengstr(c.x, c.n);
        EXPECT_STREQ(c.text, got) << "sengstr(" << c.x << ", " << c.n << ")";
    }
}

TEST(EngRing, ResultSurvivesElevenLaterCallsOfItsOwnFunctionOnly) {
    typedef char *(*Fn)(double, int);
    struct Case {
        const char *name;
        Fn fn, other;
    } const cases[] = {{"engstr", engstr, sengstr}, {"sengstr", sengstr, engstr}};
    for (const Case &c : cases) {
        const char *got[12];
        std::string text[12];
        for (int i = 0; i < 12; i++) {
            got[i] = c.fn(i + 1, 3);
            text[i] = got[i];
        }
        for (int i = 0; i < 12; i++)
            c.other(-1e-7 * i, 5);
        for (int i = 0; i < 12; i++)
            EXPECT_EQ(text[i], got[i]) << c.name << " call " << i + 1
                                       << " changed by 12 calls of the other function";

        const char *thirteenth = c.fn(-9e9, 3);
        EXPECT_EQ(got[0], thirteenth) << c.name << ": the 13th call reuses the 1st buffer";
        EXPECT_STREQ(c.fn == engstr ? "-9.00e+9" : "-9.00G", got[0]) << c.name;
        for (int i = 1; i < 12; i++)
            EXPECT_EQ(text[i], got[i]) << c.name << " call " << i + 1
                                       << " changed by the 13th call";
    }
}

TEST(SignAndSgn, Table) {
    struct Case {
        double x;
        int sign, sgn;
    } const cases[] = {
        {2.5, 1, 1},   {-2.5, -1, -1}, {0.0, 0, 1},   {-0.0, 0, 1},
        {kNaN, -1, -1}, {kInf, 1, 1},  {-kInf, -1, -1}, {5e-324, 1, 1},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(c.sign, sign(c.x)) << "sign(" << c.x << ")";
        EXPECT_EQ(c.sgn, sgn(c.x)) << "sgn(" << c.x << ")";
    }
}

}  // namespace
