// Session rules: handles, who closes what, calls on a closed session, the
// resource manager's own answers, attributes and masks.
#include <gtest/gtest.h>

#include <set>

#include "fake_model.h"
#include "visa.h"

namespace {

class Sessions : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(viOpenDefaultRM(&rm), VI_SUCCESS); }
  void TearDown() override { viClose(rm); }
  ViSession openFake() {
    ViSession vi = VI_NULL;
    EXPECT_EQ(viOpen(rm, "SIM::FAKE::INSTR", VI_NULL, 0, &vi), VI_SUCCESS);
    return vi;
  }
  fake::UseFakeModels models;
  ViSession rm = VI_NULL;
};

TEST_F(Sessions, HandlesAreNeverReused) {
  std::set<ViSession> seen{rm};
  for (int i = 0; i < 5; ++i) {
    const ViSession vi = openFake();
    EXPECT_TRUE(seen.insert(vi).second) << "handle 0x" << std::hex << vi << " came back";
    EXPECT_EQ(viClose(vi), VI_SUCCESS);
    ViSession other = VI_NULL;
    ASSERT_EQ(viOpenDefaultRM(&other), VI_SUCCESS);
    EXPECT_TRUE(seen.insert(other).second) << "handle 0x" << std::hex << other << " came back";
    EXPECT_EQ(viClose(other), VI_SUCCESS);
  }
  EXPECT_EQ(seen.count(VI_NULL), 0u);
}

TEST_F(Sessions, ClosingTheResourceManagerClosesOnlyItsSessions) {
  ViSession rm2 = VI_NULL;
  ASSERT_EQ(viOpenDefaultRM(&rm2), VI_SUCCESS);
  const ViSession mine = openFake();
  ViSession theirs = VI_NULL;
  ASSERT_EQ(viOpen(rm2, "SIM::FAKE::INSTR", VI_NULL, 0, &theirs), VI_SUCCESS);

  EXPECT_EQ(viClose(rm2), VI_SUCCESS);
  EXPECT_EQ(viClear(theirs), VI_ERROR_INV_OBJECT);
  EXPECT_EQ(viClose(theirs), VI_ERROR_INV_OBJECT);
  EXPECT_EQ(viClear(mine), VI_SUCCESS);
  EXPECT_EQ(viClose(rm2), VI_ERROR_INV_OBJECT);  // closed twice, as a fatal exit may
}

TEST_F(Sessions, EveryCallOnAClosedSessionIsInvalidObject) {
  const ViSession vi = openFake();
  ASSERT_EQ(viClose(vi), VI_SUCCESS);
  ViByte buf[8];
  ViUInt32 n = 99;
  ViUInt16 stb = 0;
  ViUInt32 tmo = 0;
  ViSession dev = VI_NULL;
  const struct {
    const char *call;
    ViStatus status;
  } calls[] = {
      {"viClose", viClose(vi)},
      {"viWrite", viWrite(vi, reinterpret_cast<const ViByte *>("x"), 1, &n)},
      {"viRead", viRead(vi, buf, sizeof buf, &n)},
      {"viReadToFile", viReadToFile(vi, "/dev/null", 8, &n)},
      {"viReadSTB", viReadSTB(vi, &stb)},
      {"viClear", viClear(vi)},
      {"viFlush", viFlush(vi, VI_READ_BUF_DISCARD)},
      {"viSetBuf", viSetBuf(vi, VI_IO_IN_BUF, 4096)},
      {"viSetAttribute", viSetAttribute(vi, VI_ATTR_TMO_VALUE, 100)},
      {"viGetAttribute", viGetAttribute(vi, VI_ATTR_TMO_VALUE, &tmo)},
      {"viOpen on a closed RM", viOpen(0xFFFFFFF0u, "SIM::FAKE::INSTR", VI_NULL, 0, &dev)},
      {"viClose(VI_NULL)", viClose(VI_NULL)},
  };
  for (const auto &c : calls)
    EXPECT_EQ(static_cast<ViUInt32>(c.status), 0xBFFF000Eu) << c.call;
  EXPECT_EQ(n, 0u);
}

TEST_F(Sessions, ResourceManagerFlushAndClearSucceedOtherIoIsRefused) {
  EXPECT_EQ(viFlush(rm, VI_READ_BUF_DISCARD), VI_SUCCESS);
  EXPECT_EQ(viFlush(rm, VI_WRITE_BUF_DISCARD), VI_SUCCESS);
  EXPECT_EQ(viClear(rm), VI_SUCCESS);
  ViUInt32 n = 0;
  ViByte buf[4];
  ViUInt16 stb = 0;
  EXPECT_EQ(viWrite(rm, buf, 1, &n), VI_ERROR_NSUP_OPER);
  EXPECT_EQ(viRead(rm, buf, sizeof buf, &n), VI_ERROR_NSUP_OPER);
  EXPECT_EQ(viReadSTB(rm, &stb), VI_ERROR_NSUP_OPER);
  const ViSession dev = openFake();
  ViSession vi = VI_NULL;
  EXPECT_EQ(viOpen(dev, "SIM::FAKE::INSTR", VI_NULL, 0, &vi), VI_ERROR_NSUP_OPER);
  EXPECT_EQ(viOpen(rm, "SIM::FAKE::INSTR", 1, 0, &vi), VI_ERROR_INV_ACC_MODE);
  EXPECT_EQ(viOpen(rm, nullptr, VI_NULL, 0, &vi), VI_ERROR_INV_PARAMETER);
  EXPECT_EQ(viOpenDefaultRM(nullptr), VI_ERROR_INV_PARAMETER);
}

TEST_F(Sessions, AttributesDefaultsChangesAndRefusals) {
  const ViSession vi = openFake();
  ViUInt32 tmo = 0, type = 0;
  ViByte term = 0;
  ViUInt16 termEn = 9, num = 9;
  ASSERT_EQ(viGetAttribute(vi, VI_ATTR_TMO_VALUE, &tmo), VI_SUCCESS);
  ASSERT_EQ(viGetAttribute(vi, VI_ATTR_TERMCHAR, &term), VI_SUCCESS);
  ASSERT_EQ(viGetAttribute(vi, VI_ATTR_TERMCHAR_EN, &termEn), VI_SUCCESS);
  ASSERT_EQ(viGetAttribute(vi, VI_ATTR_INTF_TYPE, &type), VI_SUCCESS);
  ASSERT_EQ(viGetAttribute(vi, VI_ATTR_INTF_NUM, &num), VI_SUCCESS);
  EXPECT_EQ(tmo, 2000u);
  EXPECT_EQ(term, 0x0A);
  EXPECT_EQ(termEn, VI_FALSE);
  EXPECT_EQ(type, static_cast<ViUInt32>(VI_INTF_SIM));
  EXPECT_EQ(num, 0);

  EXPECT_EQ(viSetAttribute(vi, VI_ATTR_TMO_VALUE, 3000), VI_SUCCESS);
  EXPECT_EQ(viSetAttribute(vi, VI_ATTR_TERMCHAR, ';'), VI_SUCCESS);
  EXPECT_EQ(viSetAttribute(vi, VI_ATTR_TERMCHAR_EN, VI_TRUE), VI_SUCCESS);
  viGetAttribute(vi, VI_ATTR_TMO_VALUE, &tmo);
  viGetAttribute(vi, VI_ATTR_TERMCHAR, &term);
  viGetAttribute(vi, VI_ATTR_TERMCHAR_EN, &termEn);
  EXPECT_EQ(tmo, 3000u);
  EXPECT_EQ(term, ';');
  EXPECT_EQ(termEn, VI_TRUE);

  const struct {
    ViAttr attr;
    ViAttrState value;
    ViStatus expected;
  } refused[] = {
      {VI_ATTR_TMO_VALUE, 0x100000000ull, VI_ERROR_NSUP_ATTR_STATE},
      {VI_ATTR_TERMCHAR, 0x100, VI_ERROR_NSUP_ATTR_STATE},
      {VI_ATTR_TERMCHAR_EN, 2, VI_ERROR_NSUP_ATTR_STATE},
      {VI_ATTR_INTF_TYPE, VI_INTF_ASRL, VI_ERROR_ATTR_READONLY},
      {VI_ATTR_INTF_NUM, 1, VI_ERROR_ATTR_READONLY},
      {VI_ATTR_ASRL_BAUD, 9600, VI_ERROR_NSUP_ATTR},  // no serial line here
      {0x3FFF0999u, 1, VI_ERROR_NSUP_ATTR},
  };
  for (const auto &r : refused)
    EXPECT_EQ(viSetAttribute(vi, r.attr, r.value), r.expected)
        << std::hex << "attr 0x" << r.attr << " value 0x" << r.value;
  EXPECT_EQ(viSetAttribute(rm, VI_ATTR_TMO_VALUE, 1), VI_ERROR_NSUP_ATTR);
  EXPECT_EQ(viGetAttribute(vi, VI_ATTR_TMO_VALUE, nullptr), VI_ERROR_INV_PARAMETER);
}

TEST_F(Sessions, FlushAndBufferMasks) {
  const ViSession vi = openFake();
  for (ViUInt16 mask : {4, 8, 64, 128, 4 | 8 | 64 | 128})
    EXPECT_EQ(viFlush(vi, mask), VI_SUCCESS) << "viFlush mask " << mask;
  for (ViUInt16 mask : {1, 2, 16, 32, 0x100, 4 | 1})
    EXPECT_EQ(viFlush(vi, mask), VI_ERROR_INV_MASK) << "viFlush mask " << mask;
  for (ViUInt16 mask : {1, 2, 16, 32})
    EXPECT_EQ(viSetBuf(vi, mask, 4096), VI_SUCCESS) << "viSetBuf mask " << mask;
  for (ViUInt16 mask : {4, 64, 0x100})
    EXPECT_EQ(viSetBuf(vi, mask, 4096), VI_ERROR_INV_MASK) << "viSetBuf mask " << mask;
  EXPECT_EQ(viFlush(rm, 0x100), VI_ERROR_INV_MASK);
}

}  // namespace
