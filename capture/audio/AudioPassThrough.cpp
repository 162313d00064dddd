// Lock order: AudioPassThrough::mutex_ before Shared::mutex. The audio thread
// takes only Shared::mutex.
#include "capture/audio/AudioPassThrough.h"

#include <audioclient.h>
#include <mmdeviceapi.h>
#include <objbase.h>
#include <process.h>
#include <propidl.h>
#include <propsys.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "winkit/Com.h"
#include "winkit/Handle.h"

namespace Capwell::Lib {

namespace {

const CLSID kClsidMMDeviceEnumerator = {0xbcde0395, 0xe52f, 0x467c, {0x8e, 0x3d, 0xc4, 0x57, 0x92, 0x91, 0x69, 0x2e}};
const PROPERTYKEY kKeyFormFactor = {{0x1da5d803, 0xd492, 0x4edd, {0x8c, 0x23, 0xe0, 0xc0, 0xff, 0xee, 0x7f, 0x0e}}, 0};
const PROPERTYKEY kKeyDeviceDesc = {{0xa45c254e, 0xdf1c, 0x4efd, {0x80, 0x20, 0x67, 0xd1, 0x46, 0xa8, 0x50, 0xe0}}, 2};
const PROPERTYKEY kKeyInterfaceName = {{0x026e516e, 0xb814, 0x414b, {0x83, 0xcd, 0x85, 0x6d, 0x6f, 0xef, 0x48, 0x22}}, 2};

constexpr size_t kMaxNameLength = 256;
constexpr UINT32 kLineLevel = 2;  // EndpointFormFactor LineLevel

using FormatPtr = winkit::CoTaskMem<WAVEFORMATEX>;

}  // namespace

struct AudioPassThrough::Shared {
    explicit Shared(IMMDeviceEnumerator* e) {
        if (e) e->AddRef();
        enumerator.Reset(e);
    }
    winkit::ComPtr<IMMDeviceEnumerator> enumerator;  // set once, before any thread

    mutable winkit::Mutex mutex;  // guards what follows
    AudioEndpointInfo capture;
    AudioEndpointInfo playback;
    HRESULT last_result = S_OK;
};

struct AudioPassThrough::Run {
    std::atomic<int> running{1};
    std::atomic<bool> ended{false};
    winkit::UniqueHandle done;  // auto-reset, signalled when the thread ends
    winkit::UniqueHandle wake;  // manual-reset, set by Stop() so the loop need not wait out its event
    // Not a winkit::Thread: Stop() may leave a thread that will not end in time
    // running on its own, which a joinable thread object cannot do.
    winkit::UniqueHandle thread;
};

namespace {

struct ThreadArgs {
    std::shared_ptr<AudioPassThrough::Shared> shared;
    std::shared_ptr<AudioPassThrough::Run> run;
};

std::wstring ReadText(IPropertyStore* store, const PROPERTYKEY& key) {
    PROPVARIANT value;
    PropVariantInit(&value);
    std::wstring text;
    if (SUCCEEDED(store->GetValue(key, &value)) && value.vt == VT_LPWSTR && value.pwszVal) {
        text.assign(value.pwszVal, std::min(wcslen(value.pwszVal), kMaxNameLength));
    }
    PropVariantClear(&value);
    return text;
}

// The form factor, or ~0u when the store does not tell it.
UINT32 ReadFormFactor(IPropertyStore* store) {
    PROPVARIANT value;
    PropVariantInit(&value);
    UINT32 form = ~0u;
    if (SUCCEEDED(store->GetValue(kKeyFormFactor, &value)) && value.vt == VT_UI4) form = value.ulVal;
    PropVariantClear(&value);
    return form;
}

void FillSilence(const WAVEFORMATEX& format, BYTE* dst, size_t bytes) {
    // Unsigned 8-bit PCM is silent at its midpoint; every other format at 0.
    const bool unsigned8 = format.wBitsPerSample == 8 && format.wFormatTag == WAVE_FORMAT_PCM;
    memset(dst, unsigned8 ? 0x80 : 0, bytes);
}

// Endpoint pair and the copy between them for one run.
class Session {
public:
    Session(AudioPassThrough::Shared& shared, AudioPassThrough::Run& run) : shared_(shared), run_(run) {}
    ~Session() {
        // Stop both clients when they exist, then everything is released by
        // the members' destructors.
        if (render_client_.Get()) render_client_->Stop();
        if (capture_client_.Get()) capture_client_->Stop();
    }

    [[nodiscard]] HRESULT Execute(IMMDeviceEnumerator* given) {
        HRESULT hr = S_OK;
        if (given) {
            given->AddRef();
            enumerator_.Reset(given);
        } else {
            hr = CoCreateInstance(kClsidMMDeviceEnumerator, nullptr, CLSCTX_ALL, __uuidof(IMMDeviceEnumerator),
                                  enumerator_.PutVoid());
            if (FAILED(hr)) return hr;
        }
        playback_event_.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
        if (!playback_event_.Get()) return HRESULT_FROM_WIN32(GetLastError());

        if (FAILED(hr = OpenCapture())) return hr;
        if (FAILED(hr = OpenPlayback())) return hr;
        if (FAILED(hr = capture_client_->Start())) return hr;
        if (FAILED(hr = Prime())) return hr;
        if (FAILED(hr = render_client_->Start())) return hr;
        return CopyLoop();
    }

private:
    [[nodiscard]] HRESULT OpenCapture() {
        winkit::ComPtr<IMMDeviceCollection> endpoints;
        HRESULT hr = enumerator_->EnumAudioEndpoints(eCapture, DEVICE_STATE_ACTIVE, endpoints.Put());
        if (FAILED(hr)) return hr;
        UINT count = 0;
        if (FAILED(hr = endpoints->GetCount(&count))) return hr;

        winkit::ComPtr<IMMDevice> line;
        for (UINT i = 0; i < count && !line.Get(); ++i) {
            winkit::ComPtr<IMMDevice> device;
            winkit::ComPtr<IPropertyStore> store;
            // An endpoint that cannot be asked is not the one we look for.
            if (FAILED(endpoints->Item(i, device.Put())) || !device.Get()) continue;
            if (FAILED(device->OpenPropertyStore(STGM_READ, store.Put())) || !store.Get()) continue;
            if (ReadFormFactor(store.Get()) != kLineLevel) continue;
            Remember(store.Get(), shared_.capture);
            line.Reset(device.Get());
            device.Get()->AddRef();
        }
        if (!line.Get()) return E_FAIL;

        if (FAILED(hr = line->Activate(__uuidof(IAudioClient), CLSCTX_ALL, nullptr, capture_client_.PutVoid())))
            return hr;
        if (FAILED(hr = capture_client_->GetMixFormat(mix_.Put()))) return hr;
        if (!mix_.Get() || mix_.Get()->nChannels == 0 || mix_.Get()->wBitsPerSample < 8) return E_UNEXPECTED;
        frame_bytes_ = (mix_.Get()->wBitsPerSample / 8u) * mix_.Get()->nChannels;
        if (FAILED(hr = capture_client_->Initialize(AUDCLNT_SHAREMODE_SHARED, 0, AudioPassThrough::kBufferDuration, 0,
                                                    mix_.Get(), nullptr)))
            return hr;
        UINT32 capture_frames = 0;
        if (FAILED(hr = capture_client_->GetBufferSize(&capture_frames))) return hr;
        return capture_client_->GetService(__uuidof(IAudioCaptureClient), capture_.PutVoid());
    }

    [[nodiscard]] HRESULT OpenPlayback() {
        winkit::ComPtr<IMMDevice> device;
        HRESULT hr = enumerator_->GetDefaultAudioEndpoint(eRender, eConsole, device.Put());
        if (FAILED(hr)) return hr;
        winkit::ComPtr<IPropertyStore> store;
        if (FAILED(hr = device->OpenPropertyStore(STGM_READ, store.Put()))) return hr;
        Remember(store.Get(), shared_.playback);
        store.Reset();

        if (FAILED(hr = device->Activate(__uuidof(IAudioClient), CLSCTX_ALL, nullptr, render_client_.PutVoid())))
            return hr;
        // No conversion is done: the playback side must take the capture
        // format. A closest-match answer is let through to Initialize, which
        // then decides.
        hr = render_client_->IsFormatSupported(AUDCLNT_SHAREMODE_SHARED, mix_.Get(), closest_.Put());
        if (FAILED(hr)) return hr;
        if (FAILED(hr = render_client_->Initialize(AUDCLNT_SHAREMODE_SHARED, AUDCLNT_STREAMFLAGS_EVENTCALLBACK,
                                                   AudioPassThrough::kBufferDuration, 0, mix_.Get(), nullptr)))
            return hr;
        if (FAILED(hr = render_client_->SetEventHandle(playback_event_.Get()))) return hr;
        if (FAILED(hr = render_client_->GetBufferSize(&render_frames_))) return hr;
        if (render_frames_ == 0) return E_UNEXPECTED;
        return render_client_->GetService(__uuidof(IAudioRenderClient), render_.PutVoid());
    }

    void Remember(IPropertyStore* store, AudioEndpointInfo& into) {
        AudioEndpointInfo info;
        info.description = ReadText(store, kKeyDeviceDesc);
        info.interface_name = ReadText(store, kKeyInterfaceName);
        const UINT32 form = ReadFormFactor(store);
        info.form_factor = form == ~0u ? 0 : form;
        std::lock_guard lock(shared_.mutex);
        into = std::move(info);
    }

    // Fills the whole playback buffer once before it starts: the first
    // capture packet if there is one, silence for the rest. Frames of that
    // packet beyond the buffer are kept for the loop.
    [[nodiscard]] HRESULT Prime() {
        BYTE* dst = nullptr;
        HRESULT hr = render_->GetBuffer(render_frames_, &dst);
        if (FAILED(hr)) return hr;
        UINT32 written = 0;
        hr = TakePacket(dst, render_frames_, written);
        if (FAILED(hr)) {
            render_->ReleaseBuffer(0, 0);
            return hr;
        }
        FillSilence(*mix_.Get(), dst + size_t{written} * frame_bytes_, size_t{render_frames_ - written} * frame_bytes_);
        return render_->ReleaseBuffer(render_frames_, 0);
    }

    // Takes the next capture packet, copies up to `room` frames of it to dst
    // and keeps the rest as the carry. The packet is always released whole:
    // Core Audio refuses partial releases of capture packets.
    [[nodiscard]] HRESULT TakePacket(BYTE* dst, UINT32 room, UINT32& copied) {
        copied = 0;
        BYTE* data = nullptr;
        UINT32 frames = 0;
        DWORD flags = 0;
        HRESULT hr = capture_->GetBuffer(&data, &frames, &flags, nullptr, nullptr);
        if (FAILED(hr)) return hr;
        if (hr == AUDCLNT_S_BUFFER_EMPTY || frames == 0) {
            if (hr != AUDCLNT_S_BUFFER_EMPTY) capture_->ReleaseBuffer(0);
            return S_FALSE;
        }
        const bool silent = (flags & AUDCLNT_BUFFERFLAGS_SILENT) != 0 || !data;
        copied = std::min(frames, room);
        const size_t copy_bytes = size_t{copied} * frame_bytes_;
        const size_t rest_bytes = size_t{frames - copied} * frame_bytes_;
        if (silent) {
            FillSilence(*mix_.Get(), dst, copy_bytes);
        } else {
            memcpy(dst, data, copy_bytes);
        }
        carry_.resize(rest_bytes);
        carry_offset_ = 0;
        if (rest_bytes) {
            if (silent) {
                FillSilence(*mix_.Get(), carry_.data(), rest_bytes);
            } else {
                memcpy(carry_.data(), data + copy_bytes, rest_bytes);
            }
        }
        return capture_->ReleaseBuffer(frames);
    }

    UINT32 CarryFrames() const { return static_cast<UINT32>((carry_.size() - carry_offset_) / frame_bytes_); }

    [[nodiscard]] HRESULT CopyLoop() {
        const HANDLE waits[2] = {playback_event_.Get(), run_.wake.Get()};
        while (run_.running.load() == 1) {
            const DWORD w = WaitForMultipleObjects(2, waits, FALSE, AudioPassThrough::kPlaybackWaitMs);
            if (w == WAIT_OBJECT_0 + 1) break;  // Stop()
            if (w != WAIT_OBJECT_0) return w == WAIT_TIMEOUT ? HRESULT_FROM_WIN32(ERROR_TIMEOUT)
                                                            : HRESULT_FROM_WIN32(GetLastError());
            UINT32 padding = 0;
            HRESULT hr = render_client_->GetCurrentPadding(&padding);
            if (FAILED(hr)) return hr;
            if (padding >= render_frames_) continue;  // full: the capture side keeps its packets
            const UINT32 free = render_frames_ - padding;

            BYTE* dst = nullptr;
            if (FAILED(hr = render_->GetBuffer(free, &dst))) return hr;
            UINT32 written = 0;
            while (written < free) {
                BYTE* at = dst + size_t{written} * frame_bytes_;
                if (const UINT32 carried = CarryFrames(); carried > 0) {
                    const UINT32 n = std::min(carried, free - written);
                    memcpy(at, carry_.data() + carry_offset_, size_t{n} * frame_bytes_);
                    carry_offset_ += size_t{n} * frame_bytes_;
                    written += n;
                    continue;
                }
                UINT32 copied = 0;
                hr = TakePacket(at, free - written, copied);
                if (FAILED(hr)) {
                    render_->ReleaseBuffer(written, 0);
                    return hr;
                }
                if (hr == S_FALSE) break;  // nothing captured yet
                written += copied;
            }
            if (FAILED(hr = render_->ReleaseBuffer(written, 0))) return hr;
        }
        return S_OK;
    }

    AudioPassThrough::Shared& shared_;
    AudioPassThrough::Run& run_;
    // Declared so that services go before their clients, and the clients
    // before the formats and the event they were given.
    winkit::UniqueHandle playback_event_;
    FormatPtr mix_;
    FormatPtr closest_;
    winkit::ComPtr<IMMDeviceEnumerator> enumerator_;
    winkit::ComPtr<IAudioClient> capture_client_;
    winkit::ComPtr<IAudioClient> render_client_;
    winkit::ComPtr<IAudioCaptureClient> capture_;
    winkit::ComPtr<IAudioRenderClient> render_;
    UINT32 render_frames_ = 0;
    size_t frame_bytes_ = 0;
    std::vector<BYTE> carry_;  // frames of the last capture packet that did not fit
    size_t carry_offset_ = 0;
};

unsigned __stdcall AudioThread(void* p) {
    const std::unique_ptr<ThreadArgs> args(static_cast<ThreadArgs*>(p));
    AudioPassThrough::Shared& shared = *args->shared;
    AudioPassThrough::Run& run = *args->run;

    HRESULT hr = CoInitialize(nullptr);
    const bool com = SUCCEEDED(hr);
    if (com) {
        try {
            Session session(shared, run);
            hr = session.Execute(shared.enumerator.Get());
        } catch (const std::bad_alloc&) {
            hr = E_OUTOFMEMORY;
        }
        // The session is gone (clients stopped, interfaces released) before
        // the apartment closes.
        CoUninitialize();
    }
    {
        std::lock_guard lock(shared.mutex);
        shared.last_result = hr;
    }
    run.ended = true;
    SetEvent(run.done.Get());
    return 0;
}

}  // namespace

AudioPassThrough::AudioPassThrough(IMMDeviceEnumerator* enumerator)
    : shared_(std::make_shared<Shared>(enumerator)) {}

AudioPassThrough::~AudioPassThrough() { Stop(); }

void AudioPassThrough::Start() {
    std::lock_guard lock(mutex_);
    if (run_) return;
    std::shared_ptr<Run> run;
    ThreadArgs* args = nullptr;
    try {
        run = std::make_shared<Run>();
        args = new ThreadArgs{shared_, run};
    } catch (const std::bad_alloc&) {
        return;
    }
    run->done.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    run->wake.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!run->done.Get() || !run->wake.Get()) {
        delete args;
        return;
    }
    const uintptr_t thread = _beginthreadex(nullptr, 0, AudioThread, args, CREATE_SUSPENDED, nullptr);
    if (thread == 0) {
        delete args;
        return;
    }
    run->thread.Reset(reinterpret_cast<HANDLE>(thread));
    SetThreadPriority(run->thread.Get(), THREAD_PRIORITY_HIGHEST);
    run_ = run;
    ResumeThread(run->thread.Get());
}

void AudioPassThrough::Stop() {
    std::lock_guard lock(mutex_);
    if (!run_) return;
    run_->running = 0;
    SetEvent(run_->wake.Get());
    const ULONGLONG start = GetTickCount64();
    if (WaitForSingleObject(run_->done.Get(), kStopWaitMs) == WAIT_OBJECT_0) {
        // The thread has signalled its end; let it leave this module's code
        // too, within what is left of the budget.
        const ULONGLONG spent = GetTickCount64() - start;
        WaitForSingleObject(run_->thread.Get(), spent >= kStopWaitMs ? 0 : static_cast<DWORD>(kStopWaitMs - spent));
    }
    // A thread still running keeps its own reference to the run.
    run_.reset();
}

bool AudioPassThrough::IsRunning() const {
    std::lock_guard lock(mutex_);
    return run_ && !run_->ended.load();
}

AudioEndpointInfo AudioPassThrough::CaptureEndpoint() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->capture;
}

AudioEndpointInfo AudioPassThrough::PlaybackEndpoint() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->playback;
}

HRESULT AudioPassThrough::LastResult() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->last_result;
}

}  // namespace Capwell::Lib
