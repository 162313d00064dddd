// libFuzzer target for the preset file reader: any input is either rejected
// or read into fields that write back and read again to the same fields.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "viewer/core/PresetCsv.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto lines = vistrel::ParseCsv(text);
    (void)vistrel::ParsePresetFile(text, 33, 12);
    if (!lines) return 0;
    // What was read writes back to text that reads as the same lines.
    const auto again = vistrel::ParseCsv(vistrel::FormatCsv(*lines));
    if (!again || *again != *lines) std::abort();
    return 0;
}
