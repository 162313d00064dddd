// The exported headers as C++ agree with the same headers compiled as C, and the
// records whose layout callers depend on keep their documented sizes.
#include <gtest/gtest.h>

#include "Capwell.h"
#include "Tavrin.h"
#include "Tolvane.h"
#include "tests/foundation/ExportedRecords.h"

#include <cstddef>

extern "C" {
#define CW_C_DECL(r) size_t cw_c_size_##r(void); size_t cw_c_align_##r(void);
CW_RECORDS(CW_C_DECL)
size_t cw_c_function_count(void);
}

namespace {

TEST(ExportedHeaders, RecordsHaveOneLayoutInCAndCpp) {
#define CW_CHECK(r)                                         \
    EXPECT_EQ(cw_c_size_##r(), sizeof(r)) << #r;            \
    EXPECT_EQ(cw_c_align_##r(), alignof(r)) << #r;
    CW_RECORDS(CW_CHECK)
#undef CW_CHECK
    EXPECT_EQ(cw_c_function_count(), 11u);
}

TEST(ExportedHeaders, RecordSizesCallersDependOn) {
    EXPECT_EQ(sizeof(CpwLutGammaLut), 70u);
    EXPECT_EQ(sizeof(CpwRgbMatrix), 16u);
    EXPECT_EQ(sizeof(CpwTwelveAxes), 28u);
}

}  // namespace
