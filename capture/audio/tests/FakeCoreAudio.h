// Fake Core Audio endpoints for the pass-through tests: an enumerator whose
// capture endpoints and default render endpoint are plain objects, a
// line-level capture stream producing a known sample sequence in packets of
// chosen sizes, and a render stream recording what it receives. An engine
// thread plays the part of the audio engine: every period it publishes the
// capture frames that are due, plays a period of the render buffer and
// signals the render event.
//
// Time is counted in frames of the engine's clock, so delays come out in
// samples whatever the host's scheduling.
#pragma once

#include <windows.h>
#include <audioclient.h>
#include <mmdeviceapi.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace fakeaudio {

// COM objects alive now; every object the fakes hand out counts.
int LiveObjects();

// 48 kHz, 16-bit stereo PCM.
WAVEFORMATEX StereoPcm48k();

// Frame i of the capture sequence is (i & 0xFFFF, (i >> 16) + 1), so the
// silent frame (0, 0) is never a sample.
void EncodeFrame(uint64_t index, int16_t* frame);
bool DecodeFrame(const int16_t* frame, uint64_t& index);

// What a client broke of Core Audio's rules (a partial capture release, a
// buffer asked for beyond the free space, a call out of order ...).
struct Violations {
    std::atomic<int> count{0};
    std::string first;
    std::mutex mutex;
    void Add(const char* what);
};

class CaptureStream {
public:
    CaptureStream();
    ~CaptureStream();
    // Packet sizes, used in turn; the first packet may be given apart.
    void SetPacketSizes(std::vector<uint32_t> sizes, uint32_t first = 0);
    // Publish every whole packet whose last frame lies before `now`.
    void Advance(uint64_t now);

    // Client side.
    HRESULT GetBuffer(BYTE** data, UINT32* frames, DWORD* flags);
    HRESULT ReleaseBuffer(UINT32 frames);
    UINT32 NextPacketSize();
    void SetStarted(bool started);
    bool Started();

    void SetReadyAtStart(bool ready);     // the first packet is there as soon as the client starts
    uint64_t Produced();                  // frames published so far
    uint64_t Queued();                    // frames published and not yet taken
    uint64_t PublishTime(uint64_t index);  // engine time its packet was published
    uint64_t StartTime();                 // engine time frame 0 is captured at
    uint32_t MaxPacket();
    Violations violations;

private:
    // A packet ends at a page boundary followed by an inaccessible page, so
    // a client reading beyond it faults.
    struct Packet {
        uint64_t first = 0;
        uint32_t frames = 0;
        void* base = nullptr;
        int16_t* samples = nullptr;
    };
    static Packet Allocate(uint64_t first, uint32_t frames);
    static void Free(Packet& packet);
    void PublishLocked(uint32_t size, uint64_t now);
    std::mutex mutex_;
    std::vector<uint32_t> sizes_{480};
    uint32_t first_size_ = 0;
    size_t next_size_ = 0;
    bool started_ = false;
    bool ready_at_start_ = false;
    bool have_start_ = false;
    uint64_t start_time_ = 0;
    uint64_t produced_ = 0;
    std::deque<Packet> packets_;
    bool held_ = false;
    std::vector<uint64_t> publish_time_;
    uint32_t max_packet_ = 0;
};

class RenderStream {
public:
    explicit RenderStream(uint32_t buffer_frames);
    void RefuseFormats(bool closest_match);  // the next clients refuse the capture format

    // Engine side: play `frames` frames from the buffer at time `now`.
    void Play(uint32_t frames, uint64_t now);
    void Signal();

    // Client side.
    HRESULT IsFormatSupported(const WAVEFORMATEX* format, WAVEFORMATEX** closest);
    HRESULT CheckFormat(const WAVEFORMATEX* format);
    void NewStream();  // a client was initialised: its buffer starts empty
    UINT32 BufferFrames() const { return buffer_frames_; }
    UINT32 Padding();
    HRESULT GetBuffer(UINT32 frames, BYTE** data);
    HRESULT ReleaseBuffer(UINT32 frames, DWORD flags);
    void SetEvent(HANDLE event);
    void SetStarted(bool started);
    void SetNow(uint64_t now);

    struct Received {
        uint64_t index;       // capture frame index
        uint64_t write_time;  // engine time the client released it
        uint64_t play_time;   // engine time it was played (0 while queued)
    };
    // Samples received, in the order written, with their times.
    std::vector<Received> Samples();
    uint64_t SilentFramesWritten();
    uint64_t Underruns();  // frames the engine found missing after the first write
    Violations violations;

private:
    std::mutex mutex_;
    const uint32_t buffer_frames_;
    bool refuse_ = false;
    bool closest_ = false;
    std::deque<int64_t> queue_;  // sample slot per queued frame, -1 for silence
    std::vector<int16_t> scratch_;
    bool lent_ = false;
    UINT32 lent_frames_ = 0;
    HANDLE event_ = nullptr;
    bool started_ = false;
    uint64_t now_ = 0;
    std::vector<Received> received_;
    size_t next_to_play_ = 0;
    uint64_t silent_written_ = 0;
    uint64_t underruns_ = 0;
};

struct EndpointSpec {
    std::wstring description;
    std::wstring interface_name;
    UINT32 form_factor = 2;  // LineLevel
};

// Builds the COM objects. The enumerator returned holds one reference for
// the caller.
IMMDeviceEnumerator* MakeEnumerator(std::vector<EndpointSpec> captures, std::shared_ptr<CaptureStream> capture,
                                    EndpointSpec render, std::shared_ptr<RenderStream> render_stream);
// Calls of EnumAudioEndpoints on an enumerator made above: one per run.
int EnumerationCount(IMMDeviceEnumerator* enumerator);
// Priority and COM apartment type (APTTYPE, -1 none) of the thread that
// enumerated last.
int EnumeratingThreadPriority(IMMDeviceEnumerator* enumerator);
int EnumeratingThreadApartment(IMMDeviceEnumerator* enumerator);

// The audio engine: a thread that ticks every period of 480 frames (10 ms).
class Engine {
public:
    Engine(std::shared_ptr<CaptureStream> capture, std::shared_ptr<RenderStream> render);
    ~Engine();
    // Ticks whose render play is skipped (the render buffer then stays full)
    // and ticks whose capture publishing is held back (a burst follows).
    void StallRenderEvery(int ticks) { stall_render_every_ = ticks; }
    void BurstCaptureEvery(int ticks) { burst_capture_every_ = ticks; }
    // Ticks every `real_ms` of wall time.
    void Start(DWORD real_ms = 10);
    void Stop();
    uint64_t Now() const { return now_.load(); }
    static constexpr uint32_t kPeriod = 480;

private:
    void Loop(DWORD real_ms);
    std::shared_ptr<CaptureStream> capture_;
    std::shared_ptr<RenderStream> render_;
    int stall_render_every_ = 0;
    int burst_capture_every_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<uint64_t> now_{0};
    std::thread thread_;
};

}  // namespace fakeaudio
