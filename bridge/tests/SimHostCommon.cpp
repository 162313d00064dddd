#include "bridge/tests/SimHost.h"

namespace simhost {

std::vector<Write> Writes(const std::vector<MrcSimRecord>& record) {
    std::vector<Write> out;
    for (const auto& e : record) {
        if (e.kind == kRecordWrite32) out.push_back({e.address, e.words[0]});
    }
    return out;
}

bool LastWrite(const std::vector<MrcSimRecord>& record, std::uint32_t address, std::uint32_t& value) {
    bool found = false;
    for (const auto& e : record) {
        if (e.kind == kRecordWrite32 && e.address == address) {
            value = e.words[0];
            found = true;
        }
    }
    return found;
}

std::vector<std::uint32_t> Codes(const std::vector<MrcSimRecord>& record, std::uint32_t channel) {
    std::vector<std::uint32_t> out;
    for (const auto& e : record) {
        if (e.kind == kRecordMessage && e.channel == channel) out.push_back(e.words[0]);
    }
    return out;
}

}  // namespace simhost
