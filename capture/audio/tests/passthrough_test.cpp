// The pass-through against fake Core Audio endpoints.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <vector>

#include "capture/audio/AudioPassThrough.h"
#include "capture/audio/tests/FakeCoreAudio.h"

namespace {

using Capwell::Lib::AudioPassThrough;
using fakeaudio::CaptureStream;
using fakeaudio::Engine;
using fakeaudio::EndpointSpec;
using fakeaudio::RenderStream;

constexpr UINT32 kMicrophone = 4;

// Waits up to `ms` for `done()`.
template <class F>
bool WaitFor(F done, DWORD ms) {
    const ULONGLONG until = GetTickCount64() + ms;
    while (!done()) {
        if (GetTickCount64() > until) return false;
        Sleep(5);
    }
    return true;
}

class PassThrough : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        live_before_ = fakeaudio::LiveObjects();
    }
    void TearDown() override {
        engine_.reset();
        if (enumerator_) enumerator_->Release();
        // Every interface the pass-through was handed went back.
        EXPECT_EQ(fakeaudio::LiveObjects(), live_before_);
        if (capture_) {
            EXPECT_EQ(capture_->violations.count.load(), 0) << capture_->violations.first;
            EXPECT_FALSE(capture_->Started()) << "capture client left running";
        }
        if (render_) {
            EXPECT_EQ(render_->violations.count.load(), 0) << render_->violations.first;
        }
        CoUninitialize();
    }

    // A microphone first, then the HDMI line input, then the speakers.
    void MakeEndpoints(uint32_t render_frames = 480, bool line_level = true) {
        capture_ = std::make_shared<CaptureStream>();
        render_ = std::make_shared<RenderStream>(render_frames);
        std::vector<EndpointSpec> captures{{L"Microphone Array", L"Realtek Audio", kMicrophone}};
        if (line_level) captures.push_back({L"HDMI Line In", L"Capture Controller Audio", 2});
        enumerator_ = fakeaudio::MakeEnumerator(std::move(captures), capture_,
                                                {L"Speakers", L"Realtek Audio", 1 /* Speakers */}, render_);
        engine_ = std::make_unique<Engine>(capture_, render_);
    }

    // The frames written to the render side are 0, 1, 2 ... in order.
    static uint64_t CheckSequence(const std::vector<RenderStream::Received>& got) {
        for (size_t i = 0; i < got.size(); ++i) {
            if (got[i].index != i) {
                ADD_FAILURE() << "frame " << i << " carries sample " << got[i].index;
                return i;
            }
        }
        return got.size();
    }

    int live_before_ = 0;
    std::shared_ptr<CaptureStream> capture_;
    std::shared_ptr<RenderStream> render_;
    IMMDeviceEnumerator* enumerator_ = nullptr;
    std::unique_ptr<Engine> engine_;
};

TEST_F(PassThrough, CopiesEverySampleInOrderForSeconds) {
    MakeEndpoints();
    // Packets of many sizes (one bigger than the render buffer), a short
    // first one, a render side that now and then stays full, and capture
    // bursts after a held-back period.
    capture_->SetPacketSizes({480, 160, 320, 100, 200, 180, 600, 360, 7, 473, 960, 1, 479}, 96);
    engine_->StallRenderEvery(37);
    engine_->BurstCaptureEvery(23);
    {
        AudioPassThrough pass(enumerator_);
        pass.Start();
        engine_->Start();
        // 3 s of 48 kHz stereo on the engine's clock, however slow the host.
        EXPECT_TRUE(WaitFor([&] { return capture_->Produced() >= 3 * 48000; }, 20000));
        EXPECT_TRUE(pass.IsRunning());
        pass.Stop();
        EXPECT_FALSE(pass.IsRunning());
        EXPECT_EQ(pass.LastResult(), S_OK);
        EXPECT_EQ(pass.CaptureEndpoint().description, L"HDMI Line In");
        EXPECT_EQ(pass.CaptureEndpoint().interface_name, L"Capture Controller Audio");
        EXPECT_EQ(pass.CaptureEndpoint().form_factor, 2u);
        EXPECT_EQ(pass.PlaybackEndpoint().description, L"Speakers");
        EXPECT_EQ(pass.PlaybackEndpoint().form_factor, 1u);
    }
    engine_->Stop();

    const auto got = render_->Samples();
    const uint64_t produced = capture_->Produced();
    const uint64_t queued = capture_->Queued();
    EXPECT_EQ(CheckSequence(got), got.size());
    // Everything taken from the capture side was written, except at most the
    // rest of the one packet in hand when the thread stopped.
    ASSERT_LE(got.size() + queued, produced);
    EXPECT_LT(produced - queued - got.size(), capture_->MaxPacket());
}

TEST_F(PassThrough, ShortFirstPacketIsPaddedWithSilence) {
    MakeEndpoints(480);
    capture_->SetPacketSizes({480}, 100);
    capture_->SetReadyAtStart(true);
    AudioPassThrough pass(enumerator_);
    pass.Start();
    // Priming happens before the engine ticks: 100 samples, then silence.
    ASSERT_TRUE(WaitFor([&] { return render_->Samples().size() + render_->SilentFramesWritten() >= 480; }, 2000));
    const auto primed = render_->Samples();
    ASSERT_EQ(primed.size(), 100u);
    EXPECT_EQ(CheckSequence(primed), 100u);
    EXPECT_EQ(render_->SilentFramesWritten(), 380u);

    engine_->Start();
    ASSERT_TRUE(WaitFor([&] { return render_->Samples().size() >= 4800; }, 5000));
    pass.Stop();
    engine_->Stop();
    const auto got = render_->Samples();
    EXPECT_EQ(CheckSequence(got), got.size());
    EXPECT_EQ(render_->SilentFramesWritten(), 380u) << "silence only where nothing had been captured";
}

TEST_F(PassThrough, FirstPacketLargerThanTheRenderBufferLosesNothing) {
    MakeEndpoints(480);
    capture_->SetPacketSizes({480}, 1000);
    capture_->SetReadyAtStart(true);
    AudioPassThrough pass(enumerator_);
    pass.Start();
    ASSERT_TRUE(WaitFor([&] { return render_->Samples().size() >= 480; }, 2000));
    engine_->Start();
    ASSERT_TRUE(WaitFor([&] { return render_->Samples().size() >= 2400; }, 5000));
    pass.Stop();
    engine_->Stop();
    const auto got = render_->Samples();
    EXPECT_EQ(CheckSequence(got), got.size());
    EXPECT_EQ(render_->SilentFramesWritten(), 0u);
}

TEST_F(PassThrough, SwitchingOnTwiceStartsOneThread) {
    MakeEndpoints();
    AudioPassThrough pass(enumerator_);
    pass.Start();
    pass.Start();
    ASSERT_TRUE(WaitFor([&] { return fakeaudio::EnumerationCount(enumerator_) >= 1; }, 2000));
    Sleep(200);
    EXPECT_EQ(fakeaudio::EnumerationCount(enumerator_), 1);
    EXPECT_TRUE(pass.IsRunning());
    // The copy thread: highest normal priority, its own single-threaded apartment.
    EXPECT_EQ(fakeaudio::EnumeratingThreadPriority(enumerator_), THREAD_PRIORITY_HIGHEST);
    const int apartment = fakeaudio::EnumeratingThreadApartment(enumerator_);
    EXPECT_TRUE(apartment == APTTYPE_STA || apartment == APTTYPE_MAINSTA) << apartment;
    pass.Stop();
    pass.Stop();  // a second off is harmless
    pass.Start();
    ASSERT_TRUE(WaitFor([&] { return fakeaudio::EnumerationCount(enumerator_) >= 2; }, 2000));
    EXPECT_TRUE(pass.IsRunning());
    pass.Stop();
}

TEST_F(PassThrough, SwitchingOffIsPromptWhileThePlaybackEventIsQuiet) {
    MakeEndpoints();
    AudioPassThrough pass(enumerator_);
    pass.Start();  // no engine: the playback event never comes
    ASSERT_TRUE(WaitFor([&] { return render_->SilentFramesWritten() >= 480; }, 2000));  // primed, in the loop
    const ULONGLONG t0 = GetTickCount64();
    pass.Stop();
    const ULONGLONG took = GetTickCount64() - t0;
    EXPECT_LE(took, static_cast<ULONGLONG>(AudioPassThrough::kStopWaitMs));
    EXPECT_FALSE(pass.IsRunning());
    EXPECT_EQ(pass.LastResult(), S_OK);
}

TEST_F(PassThrough, ThreadEndsByItselfWhenThePlaybackEventStops) {
    MakeEndpoints();
    AudioPassThrough pass(enumerator_);
    pass.Start();
    // The loop gives up after 2 s without a playback event.
    ASSERT_TRUE(WaitFor([&] { return !pass.IsRunning(); }, 4000));
    EXPECT_EQ(pass.LastResult(), HRESULT_FROM_WIN32(ERROR_TIMEOUT));
    pass.Start();  // ended by itself: started again only after an off
    Sleep(100);
    EXPECT_EQ(fakeaudio::EnumerationCount(enumerator_), 1);
    pass.Stop();
}

TEST_F(PassThrough, NoLineLevelEndpointEndsTheThreadAtOnce) {
    MakeEndpoints(480, /*line_level=*/false);
    AudioPassThrough pass(enumerator_);
    pass.Start();
    ASSERT_TRUE(WaitFor([&] { return !pass.IsRunning(); }, 1000));
    EXPECT_EQ(pass.LastResult(), E_FAIL);
    EXPECT_EQ(render_->SilentFramesWritten(), 0u);
    pass.Start();  // still switched on: no second thread until an off
    Sleep(100);
    EXPECT_EQ(fakeaudio::EnumerationCount(enumerator_), 1);
    pass.Stop();
    pass.Start();
    ASSERT_TRUE(WaitFor([&] { return fakeaudio::EnumerationCount(enumerator_) == 2 && !pass.IsRunning(); }, 1000));
    pass.Stop();
}

TEST_F(PassThrough, RefusedFormatEndsTheThreadCleanly) {
    MakeEndpoints();
    render_->RefuseFormats(/*closest_match=*/false);
    AudioPassThrough pass(enumerator_);
    pass.Start();
    ASSERT_TRUE(WaitFor([&] { return !pass.IsRunning(); }, 1000));
    EXPECT_EQ(pass.LastResult(), AUDCLNT_E_UNSUPPORTED_FORMAT);
    EXPECT_EQ(pass.PlaybackEndpoint().description, L"Speakers");
    pass.Stop();
    // TearDown checks that every interface was released and the capture
    // client stopped.
}

TEST_F(PassThrough, ClosestMatchAnswerStillEndsCleanlyWhenInitialiseRefuses) {
    MakeEndpoints();
    render_->RefuseFormats(/*closest_match=*/true);
    AudioPassThrough pass(enumerator_);
    pass.Start();
    ASSERT_TRUE(WaitFor([&] { return !pass.IsRunning(); }, 1000));
    EXPECT_EQ(pass.LastResult(), AUDCLNT_E_UNSUPPORTED_FORMAT);
    pass.Stop();
}

TEST_F(PassThrough, DestroyingWhileRunningStopsTheThread) {
    MakeEndpoints();
    engine_->Start();
    {
        AudioPassThrough pass(enumerator_);
        pass.Start();
        ASSERT_TRUE(WaitFor([&] { return render_->Samples().size() >= 960; }, 3000));
    }
    engine_->Stop();
    const auto got = render_->Samples();
    EXPECT_EQ(CheckSequence(got), got.size());
}

}  // namespace

namespace {

bool RunningUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// The product's path: no enumerator given, the system's is created on the
// copy thread. Wine offers no line-level capture endpoint, so the run ends
// by itself and says why.
TEST(PassThroughSystem, SystemEnumeratorWithoutLineInputEndsByItself) {
    if (!RunningUnderWine()) GTEST_SKIP() << "depends on the machine's audio endpoints";
    AudioPassThrough pass;
    pass.Start();
    ASSERT_TRUE(WaitFor([&] { return !pass.IsRunning(); }, 5000));
    EXPECT_TRUE(FAILED(pass.LastResult())) << std::hex << pass.LastResult();
    pass.Stop();
    EXPECT_FALSE(pass.IsRunning());
}

}  // namespace
