#include <gtest/gtest.h>

#include <string>

#include "instr.h"

TEST(Numval, LeadingDecimalNumberOnly) {
  struct Case {
    std::string text;
    double value;
  } cases[] = {
      {"1000", 1000},       {"  -2.5e3xyz", -2500},  {"+.5", 0.5},
      {"1e", 1},            {"1e+", 1},              {"7.E2", 700},
      {"10abc", 10},        {"3000000.1", 3000000.1}, {"1E-3", 1e-3},
      {"", 0},              {"abc", 0},              {"-", 0},
      {".", 0},             {"INF", 0},              {"inf", 0},
      {"NAN", 0},           {"MAX", 0},              {"0x10", 0},
      {"-0x1p9999", 0},     {"\t42", 42},            {"+9.900000000000000E+37\n", 9.9e37},
  };
  for (const auto &c : cases)
    EXPECT_EQ(numval(c.text.c_str()), c.value) << '"' << c.text << '"';
}

TEST(Numval, LongTextIsSafe) {
  std::string digits(100000, '9');
  EXPECT_TRUE(numval(digits.c_str()) > 1e308);  // overflows to infinity
  std::string junk(100000, 'x');
  EXPECT_EQ(numval(junk.c_str()), 0);
}
