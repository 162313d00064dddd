// Sample delay through the pass-through, from the fake capture endpoint to
// the fake render endpoint, on the engine's frame clock (48 kHz).
//
//   end to end   : played at - captured at (the sample's place in the capture stream)
//   in capture   : published at - captured at (the capture endpoint's packet)
//   pass-through : written to the render buffer at - published at
//   render queue : played at - written at (the render buffer)
//
// The pass-through's own share is the third line; its target is at most one
// 10 ms buffer (480 frames).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "capture/audio/AudioPassThrough.h"
#include "capture/audio/tests/FakeCoreAudio.h"

namespace {

struct Stat {
    uint64_t min = ~0ull, max = 0, sum = 0, n = 0;
    void Add(uint64_t v) {
        min = std::min(min, v);
        max = std::max(max, v);
        sum += v;
        ++n;
    }
    void Print(const char* name) const {
        if (n == 0) {
            std::printf("  %-13s: no samples\n", name);
            return;
        }
        std::printf("  %-13s: min %6.2f ms  mean %6.2f ms  max %6.2f ms\n", name, min / 48.0,
                    static_cast<double>(sum) / n / 48.0, max / 48.0);
    }
};

int Run(const char* name, std::vector<uint32_t> sizes, uint32_t render_frames, DWORD seconds) {
    auto capture = std::make_shared<fakeaudio::CaptureStream>();
    auto render = std::make_shared<fakeaudio::RenderStream>(render_frames);
    capture->SetPacketSizes(std::move(sizes));
    IMMDeviceEnumerator* enumerator =
        fakeaudio::MakeEnumerator({{L"HDMI Line In", L"Capture Controller Audio", 2}}, capture,
                                  {L"Speakers", L"Speakers", 1}, render);
    fakeaudio::Engine engine(capture, render);
    {
        Capwell::Lib::AudioPassThrough pass(enumerator);
        pass.Start();
        Sleep(50);  // primed before the engine ticks
        engine.Start();
        Sleep(seconds * 1000);
        pass.Stop();
    }
    engine.Stop();
    enumerator->Release();

    const auto got = render->Samples();
    const uint64_t start = capture->StartTime();
    Stat e2e, in_capture, in_pass, in_render;
    bool ordered = true;
    for (size_t i = 0; i < got.size(); ++i) {
        const auto& s = got[i];
        ordered = ordered && s.index == i;
        if (s.play_time == 0) continue;  // still queued at the end
        const uint64_t captured = start + s.index;
        const uint64_t published = capture->PublishTime(s.index);
        e2e.Add(s.play_time - captured);
        in_capture.Add(published - captured);
        in_pass.Add(s.write_time - published);
        in_render.Add(s.play_time - s.write_time);
    }
    std::printf("%s (render buffer %u frames, %zu samples, %s, %llu underrun frames)\n", name, render_frames,
                got.size(), ordered ? "in order" : "OUT OF ORDER",
                static_cast<unsigned long long>(render->Underruns()));
    e2e.Print("end to end");
    in_capture.Print("in capture");
    in_pass.Print("pass-through");
    in_render.Print("render queue");
    std::printf("  pass-through max / one 10 ms buffer = %.2f\n", in_pass.max / 480.0);
    return ordered && e2e.n > 0 ? 0 : 1;
}

}  // namespace

int main() {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    int rc = 0;
    rc |= Run("10 ms packets", {480}, 480, 4);
    rc |= Run("varying packets", {480, 160, 320, 100, 200, 180, 600, 360, 7, 473, 960, 1, 479}, 480, 4);
    rc |= Run("varying packets, larger render buffer", {480, 160, 320, 100, 200, 180, 600, 360, 7, 473, 960, 1, 479},
              1056, 4);
    CoUninitialize();
    return rc;
}
