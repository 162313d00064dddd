// Lock order: AudioPassThrough::mutex_ before Shared::mutex. The audio thread
// takes only Shared::mutex.
#include "AudioPassThrough.h"

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

namespace Capwell::Lib {

namespace {

const CLSID kClsidMMDeviceEnumerator = {0xbcde0395, 0xe52f, 0x467c, {0x8e, 0x3d, 0xc4, 0x57, 0x92, 0x91, 0x69, 0x2e}};
const PROPERTYKEY kKeyFormFactor = {{0x1da5d803, 0xd492, 0x4edd, {0x8c, 0x23, 0xe0, 0xc0, 0xff, 0xee, 0x7f, 0x0e}}, 0};
const PROPERTYKEY kKeyDeviceDesc = {{0xa45c254e, 0xdf1c, 0x4efd, {0x80, 0x20, 0x67, 0xd1, 0x46, 0xa8, 0x50, 0xe0}}, 2};
const PROPERTYKEY kKeyInterfaceName = {{0x026e516e, 0xb814, 0x414b, {0x83, 0xcd, 0x85, 0x6d, 0x6f, 0xef, 0x48, 0x22}}, 2};

constexpr size_t kMaxNameLength = 256;
constexpr UINT32 kLineLevel = 2;  // EndpointFormFactor LineLevel

class Handle {
public:
    Handle() = default;
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() { Reset(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }
    void Reset(HANDLE h = nullptr) {
        if (h_) CloseHandle(h_);
        h_ = h;
    }

private:
    HANDLE h_ = nullptr;
};

template <class T>
class ComRef {
public:
    ComRef() = default;
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ~ComRef() { Reset(); }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    T** out() {
        Reset();
        return &p_;
    }
    void** void_out() { return reinterpret_cast<void**>(out()); }
    void Reset(T* p = nullptr) {
        if (p_) p_->Release();
        p_ = p;
    }

private:
    T* p_ = nullptr;
};

struct CoTaskFree {
    void operator()(void* p) const { CoTaskMemFree(p); }
};
using FormatPtr = std::unique_ptr<WAVEFORMATEX, CoTaskFree>;

}  // namespace

struct AudioPassThrough::Shared {
    explicit Shared(IMMDeviceEnumerator* e) : enumerator(e) {
        if (enumerator) enumerator->AddRef();
    }
    ~Shared() {
        if (enumerator) enumerator->Release();
    }
    IMMDeviceEnumerator* const enumerator;

    mutable std::mutex mutex;  // guards what follows
    AudioEndpointInfo capture;
    AudioEndpointInfo playback;
    HRESULT last_result = S_OK;
};

struct AudioPassThrough::Run {
    std::atomic<int> running{1};
    std::atomic<bool> ended{false};
    Handle done;    // auto-reset, signalled when the thread ends
    Handle wake;    // manual-reset, set by Stop() so the loop need not wait out its event
    Handle thread;
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
        if (render_client_.get()) render_client_->Stop();
        if (capture_client_.get()) capture_client_->Stop();
    }

    HRESULT Execute(IMMDeviceEnumerator* given) {
        HRESULT hr = S_OK;
        if (given) {
            given->AddRef();
            enumerator_.Reset(given);
        } else {
            hr = CoCreateInstance(kClsidMMDeviceEnumerator, nullptr, CLSCTX_ALL, __uuidof(IMMDeviceEnumerator),
                                  enumerator_.void_out());
            if (FAILED(hr)) return hr;
        }
        playback_event_.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
        if (!playback_event_.get()) return HRESULT_FROM_WIN32(GetLastError());

        if (FAILED(hr = OpenCapture())) return hr;
        if (FAILED(hr = OpenPlayback())) return hr;
        if (FAILED(hr = capture_client_->Start())) return hr;
        if (FAILED(hr = Prime())) return hr;
        if (FAILED(hr = render_client_->Start())) return hr;
        return CopyLoop();
    }

private:
    HRESULT OpenCapture() {
        ComRef<IMMDeviceCollection> endpoints;
        HRESULT hr = enumerator_->EnumAudioEndpoints(eCapture, DEVICE_STATE_ACTIVE, endpoints.out());
        if (FAILED(hr)) return hr;
        UINT count = 0;
        if (FAILED(hr = endpoints->GetCount(&count))) return hr;

        ComRef<IMMDevice> line;
        for (UINT i = 0; i < count && !line.get(); ++i) {
            ComRef<IMMDevice> device;
            ComRef<IPropertyStore> store;
            // An endpoint that cannot be asked is not the one we look for.
            if (FAILED(endpoints->Item(i, device.out())) || !device.get()) continue;
            if (FAILED(device->OpenPropertyStore(STGM_READ, store.out())) || !store.get()) continue;
            if (ReadFormFactor(store.get()) != kLineLevel) continue;
            Remember(store.get(), shared_.capture);
            line.Reset(device.get());
            device.get()->AddRef();
        }
        if (!line.get()) return E_FAIL;

        if (FAILED(hr = line->Activate(__uuidof(IAudioClient), CLSCTX_ALL, nullptr, capture_client_.void_out())))
            return hr;
        WAVEFORMATEX* mix = nullptr;
        if (FAILED(hr = capture_client_->GetMixFormat(&mix))) return hr;
        mix_.reset(mix);
        if (!mix_ || mix_->nChannels == 0 || mix_->wBitsPerSample < 8) return E_UNEXPECTED;
        frame_bytes_ = (mix_->wBitsPerSample / 8u) * mix_->nChannels;
        if (FAILED(hr = capture_client_->Initialize(AUDCLNT_SHAREMODE_SHARED, 0, AudioPassThrough::kBufferDuration, 0,
                                                    mix_.get(), nullptr)))
            return hr;
        UINT32 capture_frames = 0;
        if (FAILED(hr = capture_client_->GetBufferSize(&capture_frames))) return hr;
        return capture_client_->GetService(__uuidof(IAudioCaptureClient), capture_.void_out());
    }

    HRESULT OpenPlayback() {
        ComRef<IMMDevice> device;
        HRESULT hr = enumerator_->GetDefaultAudioEndpoint(eRender, eConsole, device.out());
        if (FAILED(hr)) return hr;
        ComRef<IPropertyStore> store;
        if (FAILED(hr = device->OpenPropertyStore(STGM_READ, store.out()))) return hr;
        Remember(store.get(), shared_.playback);
        store.Reset();

        if (FAILED(hr = device->Activate(__uuidof(IAudioClient), CLSCTX_ALL, nullptr, render_client_.void_out())))
            return hr;
        // No conversion is done: the playback side must take the capture
        // format. A closest-match answer is let through to Initialize, which
        // then decides.
        WAVEFORMATEX* closest = nullptr;
        hr = render_client_->IsFormatSupported(AUDCLNT_SHAREMODE_SHARED, mix_.get(), &closest);
        closest_.reset(closest);
        if (FAILED(hr)) return hr;
        if (FAILED(hr = render_client_->Initialize(AUDCLNT_SHAREMODE_SHARED, AUDCLNT_STREAMFLAGS_EVENTCALLBACK,
                                                   AudioPassThrough::kBufferDuration, 0, mix_.get(), nullptr)))
            return hr;
        if (FAILED(hr = render_client_->SetEventHandle(playback_event_.get()))) return hr;
        if (FAILED(hr = render_client_->GetBufferSize(&render_frames_))) return hr;
        if (render_frames_ == 0) return E_UNEXPECTED;
        return render_client_->GetService(__uuidof(IAudioRenderClient), render_.void_out());
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
    HRESULT Prime() {
        BYTE* dst = nullptr;
        HRESULT hr = render_->GetBuffer(render_frames_, &dst);
        if (FAILED(hr)) return hr;
        UINT32 written = 0;
        hr = TakePacket(dst, render_frames_, written);
        if (FAILED(hr)) {
            render_->ReleaseBuffer(0, 0);
            return hr;
        }
        FillSilence(*mix_, dst + size_t{written} * frame_bytes_, size_t{render_frames_ - written} * frame_bytes_);
        return render_->ReleaseBuffer(render_frames_, 0);
    }

    // Takes the next capture packet, copies up to `room` frames of it to dst
    // and keeps the rest as the carry. The packet is always released whole:
    // Core Audio refuses partial releases of capture packets.
    HRESULT TakePacket(BYTE* dst, UINT32 room, UINT32& copied) {
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
            FillSilence(*mix_, dst, copy_bytes);
        } else {
            memcpy(dst, data, copy_bytes);
        }
        carry_.resize(rest_bytes);
        carry_offset_ = 0;
        if (rest_bytes) {
            if (silent) {
                FillSilence(*mix_, carry_.data(), rest_bytes);
            } else {
                memcpy(carry_.data(), data + copy_bytes, rest_bytes);
            }
        }
        return capture_->ReleaseBuffer(frames);
    }

    UINT32 CarryFrames() const { return static_cast<UINT32>((carry_.size() - carry_offset_) / frame_bytes_); }

    HRESULT CopyLoop() {
        const HANDLE waits[2] = {playback_event_.get(), run_.wake.get()};
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
    Handle playback_event_;
    FormatPtr mix_;
    FormatPtr closest_;
    ComRef<IMMDeviceEnumerator> enumerator_;
    ComRef<IAudioClient> capture_client_;
    ComRef<IAudioClient> render_client_;
    ComRef<IAudioCaptureClient> capture_;
    ComRef<IAudioRenderClient> render_;
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
            hr = session.Execute(shared.enumerator);
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
    SetEvent(run.done.get());
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
    if (!run->done.get() || !run->wake.get()) {
        delete args;
        return;
    }
    const uintptr_t thread = _beginthreadex(nullptr, 0, AudioThread, args, CREATE_SUSPENDED, nullptr);
    if (thread == 0) {
        delete args;
        return;
    }
    run->thread.Reset(reinterpret_cast<HANDLE>(thread));
    SetThreadPriority(run->thread.get(), THREAD_PRIORITY_HIGHEST);
    run_ = run;
    ResumeThread(run->thread.get());
}

void AudioPassThrough::Stop() {
    std::lock_guard lock(mutex_);
    if (!run_) return;
    run_->running = 0;
    SetEvent(run_->wake.get());
    const ULONGLONG start = GetTickCount64();
    if (WaitForSingleObject(run_->done.get(), kStopWaitMs) == WAIT_OBJECT_0) {
        // The thread has signalled its end; let it leave this module's code
        // too, within what is left of the budget.
        const ULONGLONG spent = GetTickCount64() - start;
        WaitForSingleObject(run_->thread.get(), spent >= kStopWaitMs ? 0 : static_cast<DWORD>(kStopWaitMs - spent));
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
