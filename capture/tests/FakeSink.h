// A recording bridge seam for the queue and apply-pass tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "capture/core/ApplyPass.h"

namespace cwtest {

struct SinkCall {
    std::string what;  // "angle", "position", "zoom", "video", "lut", "matrix", ...
    KdrRect rect{};
    int32_t value = 0;
    KdrParts zoom{};
    KdrLutGamma lut{};
    KdrRgbMatrix matrix{};
    KdrDriveCutoff dc{};
    KdrColorMute mute{};
    KdrTwelveAxes axes{};
};

class FakeSink : public Capwell::Lib::ApplySink {
public:
    std::vector<SinkCall> calls;
    std::string fail_on;  // the call kind that fails once
    int32_t fail_result = -1;
    bool audio_on = false;
    int audio_switches = 0;

    int32_t Record(SinkCall c) {
        const bool fail = !fail_on.empty() && c.what == fail_on;
        calls.push_back(std::move(c));
        if (fail) {
            fail_on.clear();
            return fail_result;
        }
        return 0;
    }
    int32_t SetAngle(int32_t a) override { SinkCall c{"angle"}; c.value = a; return Record(c); }
    int32_t SetPosition(const KdrRect& r) override { SinkCall c{"position"}; c.rect = r; return Record(c); }
    int32_t SetZoom(int32_t mode, const KdrParts& z) override {
        SinkCall c{"zoom"}; c.value = mode; c.zoom = z; return Record(c);
    }
    int32_t SetVideo(int32_t e) override { SinkCall c{"video"}; c.value = e; return Record(c); }
    int32_t SetLut(const KdrLutGamma& l) override { SinkCall c{"lut"}; c.lut = l; return Record(c); }
    int32_t SetMatrix(const KdrRgbMatrix& m) override { SinkCall c{"matrix"}; c.matrix = m; return Record(c); }
    int32_t SetDriveCutoff(const KdrDriveCutoff& d) override { SinkCall c{"drive_cutoff"}; c.dc = d; return Record(c); }
    int32_t SetMute(const KdrColorMute& m) override { SinkCall c{"mute"}; c.mute = m; return Record(c); }
    int32_t SetTwelveAxes(const KdrTwelveAxes& a) override { SinkCall c{"axes"}; c.axes = a; return Record(c); }
    int32_t DrawAll() override { return Record(SinkCall{"draw"}); }
    void SetAudio(bool on) override { audio_on = on; ++audio_switches; }

    std::vector<std::string> Kinds() const {
        std::vector<std::string> k;
        for (const auto& c : calls) k.push_back(c.what);
        return k;
    }
    int Count(const std::string& what) const {
        int n = 0;
        for (const auto& c : calls) n += c.what == what;
        return n;
    }
    const SinkCall* Last(const std::string& what) const {
        for (auto it = calls.rbegin(); it != calls.rend(); ++it)
            if (it->what == what) return &*it;
        return nullptr;
    }
};

}  // namespace cwtest
