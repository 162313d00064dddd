#include <gtest/gtest.h>

#include "viewer/core/PlayCode.h"

namespace vistrel {
namespace {

struct Row {
    int code;
    PlayTriple triple;
};

// The whole table, both directions.
constexpr Row kRows[] = {
    {0, {0, 1, 1}}, {1, {0, 0, 1}}, {2, {1, 1, 0}}, {3, {1, 0, 0}}, {4, {1, 1, 1}},
    {5, {1, 0, 1}}, {6, {2, 1, 1}}, {7, {2, 0, 1}}, {8, {0, 0, 0}},
};

TEST(PlayCode, DecodesAndEncodesEveryRow) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.code);
        EXPECT_EQ(DecodePlayCode(row.code), row.triple);
        EXPECT_EQ(EncodePlayCode(row.triple), row.code);
    }
}

TEST(PlayCode, CodesOutsideTheTableDecodeToAllOff) {
    for (int code : {9, 10, 42, -1, INT32_MAX, INT32_MIN}) {
        SCOPED_TRACE(code);
        EXPECT_EQ(DecodePlayCode(code), (PlayTriple{0, 0, 0}));
    }
    // ...which re-encodes to "nothing stands", not to 9.
    EXPECT_EQ(EncodePlayCode(DecodePlayCode(9)), 8);
}

TEST(PlayCode, TriplesOutsideTheTableEncodeToNine) {
    const PlayTriple unlisted[] = {{0, 1, 0}, {2, 0, 0}, {2, 1, 0}, {3, 1, 1}, {0, 2, 1}, {-1, 0, 0}, {1, 1, 2}};
    for (const PlayTriple& t : unlisted) {
        SCOPED_TRACE(testing::Message() << t.mode << "," << t.video << "," << t.audio);
        EXPECT_EQ(EncodePlayCode(t), 9);
    }
}

}  // namespace
}  // namespace vistrel
