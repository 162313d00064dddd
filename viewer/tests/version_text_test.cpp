// Version texts: the packed format and the trailing ".0" trim.
#include <gtest/gtest.h>

#include "viewer/core/VersionText.h"

namespace vistrel::controls {
namespace {

TEST(VersionText, PackedFieldsLowestFirst) {
    EXPECT_EQ(FormatPackedVersion(0x0004000300020001ull), L"1.2.3.4");
    EXPECT_EQ(FormatPackedVersion(0xFFFF000000000000ull), L"0.0.0.65535");
}

TEST(VersionText, OnlyTrailingZeroGroupsAreDropped) {
    EXPECT_EQ(TrimVersion(L"1.2.0.0"), L"1.2");
    EXPECT_EQ(TrimVersion(L"1.2.3.0"), L"1.2.3");
    EXPECT_EQ(TrimVersion(L"10.0.0.0"), L"10");
    EXPECT_EQ(TrimVersion(L"1.0.0.1"), L"1.0.0.1");
    EXPECT_EQ(TrimVersion(L"1.20"), L"1.20");
    EXPECT_EQ(TrimVersion(L"0.0.0.0"), L"0");
    EXPECT_EQ(TrimVersion(L" 2.5.0 "), L"2.5");
    EXPECT_EQ(TrimVersion(L""), L"");
}

}  // namespace
}  // namespace vistrel::controls
