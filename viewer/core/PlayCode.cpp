#include "viewer/core/PlayCode.h"

#include <array>

namespace vistrel {
namespace {

// Row index is the play code.
constexpr std::array<PlayTriple, 9> kTable{{
    {0, 1, 1},
    {0, 0, 1},
    {1, 1, 0},
    {1, 0, 0},
    {1, 1, 1},
    {1, 0, 1},
    {2, 1, 1},
    {2, 0, 1},
    {0, 0, 0},
}};

}  // namespace

PlayTriple DecodePlayCode(std::int32_t code) noexcept {
    if (code < 0 || code >= static_cast<std::int32_t>(kTable.size())) {
        return PlayTriple{0, 0, 0};
    }
    return kTable[static_cast<std::size_t>(code)];
}

std::int32_t EncodePlayCode(const PlayTriple& triple) noexcept {
    for (std::size_t i = 0; i < kTable.size(); ++i) {
        if (kTable[i] == triple) {
            return static_cast<std::int32_t>(i);
        }
    }
    return kPlayCodeOther;
}

}  // namespace vistrel
