#include "sim_host.h"

namespace simhost {

std::vector<Write> Writes(const std::vector<mrcsim::RecordEntry>& record) {
    std::vector<Write> out;
    for (const auto& e : record) {
        if (e.kind == mrcsim::RecordEntry::Write32) out.push_back({e.address, e.words[0]});
    }
    return out;
}

bool LastWrite(const std::vector<mrcsim::RecordEntry>& record, std::uint32_t address, std::uint32_t& value) {
    bool found = false;
    for (const auto& e : record) {
        if (e.kind == mrcsim::RecordEntry::Write32 && e.address == address) {
            value = e.words[0];
            found = true;
        }
    }
    return found;
}

std::vector<std::uint32_t> Codes(const std::vector<mrcsim::RecordEntry>& record, std::uint32_t channel) {
    std::vector<std::uint32_t> out;
    for (const auto& e : record) {
        if (e.kind == mrcsim::RecordEntry::Message && e.channel == channel) out.push_back(e.words[0]);
    }
    return out;
}

}  // namespace simhost
