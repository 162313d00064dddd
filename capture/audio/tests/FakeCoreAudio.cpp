#include "capture/audio/tests/FakeCoreAudio.h"

#include <objbase.h>
#include <propidl.h>
#include <propsys.h>

#include <cstring>
#include <utility>

namespace fakeaudio {

namespace {

std::atomic<int> g_live{0};

const PROPERTYKEY kKeyFormFactor = {{0x1da5d803, 0xd492, 0x4edd, {0x8c, 0x23, 0xe0, 0xc0, 0xff, 0xee, 0x7f, 0x0e}}, 0};
const PROPERTYKEY kKeyDeviceDesc = {{0xa45c254e, 0xdf1c, 0x4efd, {0x80, 0x20, 0x67, 0xd1, 0x46, 0xa8, 0x50, 0xe0}}, 2};
const PROPERTYKEY kKeyInterfaceName = {{0x026e516e, 0xb814, 0x414b, {0x83, 0xcd, 0x85, 0x6d, 0x6f, 0xef, 0x48, 0x22}}, 2};

bool SameKey(const PROPERTYKEY& a, const PROPERTYKEY& b) { return IsEqualGUID(a.fmtid, b.fmtid) && a.pid == b.pid; }

bool SameFormat(const WAVEFORMATEX& a, const WAVEFORMATEX& b) {
    return a.wFormatTag == b.wFormatTag && a.nChannels == b.nChannels && a.nSamplesPerSec == b.nSamplesPerSec &&
           a.wBitsPerSample == b.wBitsPerSample && a.nBlockAlign == b.nBlockAlign;
}

WAVEFORMATEX* CopyFormat(const WAVEFORMATEX& f) {
    auto* out = static_cast<WAVEFORMATEX*>(CoTaskMemAlloc(sizeof(WAVEFORMATEX)));
    if (out) *out = f;
    return out;
}

// One COM object of interface I with a counted lifetime.
template <class I>
class Object : public I {
public:
    Object() { ++g_live; }
    virtual ~Object() { --g_live; }
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, __uuidof(IUnknown)) || IsEqualIID(iid, __uuidof(I))) {
            AddRef();
            *out = static_cast<I*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

private:
    std::atomic<ULONG> refs_{1};
};

class PropertyStore : public Object<IPropertyStore> {
public:
    explicit PropertyStore(EndpointSpec spec) : spec_(std::move(spec)) {}
    HRESULT STDMETHODCALLTYPE GetCount(DWORD* count) override {
        *count = 3;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetAt(DWORD, PROPERTYKEY*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetValue(REFPROPERTYKEY key, PROPVARIANT* value) override {
        PropVariantInit(value);
        if (SameKey(key, kKeyFormFactor)) {
            value->vt = VT_UI4;
            value->ulVal = spec_.form_factor;
        } else if (SameKey(key, kKeyDeviceDesc)) {
            return Text(spec_.description, value);
        } else if (SameKey(key, kKeyInterfaceName)) {
            return Text(spec_.interface_name, value);
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetValue(REFPROPERTYKEY, REFPROPVARIANT) override { return STG_E_ACCESSDENIED; }
    HRESULT STDMETHODCALLTYPE Commit() override { return STG_E_ACCESSDENIED; }

private:
    static HRESULT Text(const std::wstring& text, PROPVARIANT* value) {
        const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
        auto* copy = static_cast<wchar_t*>(CoTaskMemAlloc(bytes));
        if (!copy) return E_OUTOFMEMORY;
        memcpy(copy, text.c_str(), bytes);
        value->vt = VT_LPWSTR;
        value->pwszVal = copy;
        return S_OK;
    }
    EndpointSpec spec_;
};

class CaptureClient : public Object<IAudioCaptureClient> {
public:
    explicit CaptureClient(std::shared_ptr<CaptureStream> s) : stream_(std::move(s)) {}
    HRESULT STDMETHODCALLTYPE GetBuffer(BYTE** data, UINT32* frames, DWORD* flags, UINT64* position,
                                        UINT64* qpc) override {
        if (position) *position = 0;
        if (qpc) *qpc = 0;
        return stream_->GetBuffer(data, frames, flags);
    }
    HRESULT STDMETHODCALLTYPE ReleaseBuffer(UINT32 frames) override { return stream_->ReleaseBuffer(frames); }
    HRESULT STDMETHODCALLTYPE GetNextPacketSize(UINT32* frames) override {
        *frames = stream_->NextPacketSize();
        return S_OK;
    }

private:
    std::shared_ptr<CaptureStream> stream_;
};

class RenderClient : public Object<IAudioRenderClient> {
public:
    explicit RenderClient(std::shared_ptr<RenderStream> s) : stream_(std::move(s)) {}
    HRESULT STDMETHODCALLTYPE GetBuffer(UINT32 frames, BYTE** data) override { return stream_->GetBuffer(frames, data); }
    HRESULT STDMETHODCALLTYPE ReleaseBuffer(UINT32 frames, DWORD flags) override {
        return stream_->ReleaseBuffer(frames, flags);
    }

private:
    std::shared_ptr<RenderStream> stream_;
};

class AudioClient : public Object<IAudioClient> {
public:
    AudioClient(std::shared_ptr<CaptureStream> c, std::shared_ptr<RenderStream> r)
        : capture_(std::move(c)), render_(std::move(r)) {}
    ~AudioClient() override {
        // A released client stops and forgets the event it was given.
        if (render_) {
            render_->SetStarted(false);
            render_->SetEvent(nullptr);
        }
        if (capture_) capture_->SetStarted(false);
    }

    HRESULT STDMETHODCALLTYPE Initialize(AUDCLNT_SHAREMODE mode, DWORD flags, REFERENCE_TIME, REFERENCE_TIME,
                                         const WAVEFORMATEX* format, LPCGUID) override {
        Violations& v = render_ ? render_->violations : capture_->violations;
        if (initialised_) {
            v.Add("Initialize twice");
            return AUDCLNT_E_ALREADY_INITIALIZED;
        }
        if (mode != AUDCLNT_SHAREMODE_SHARED) v.Add("exclusive mode");
        if (render_) {
            const HRESULT hr = render_->CheckFormat(format);
            if (FAILED(hr)) return hr;
            render_->NewStream();
        } else if (!SameFormat(*format, StereoPcm48k())) {
            v.Add("capture initialised with another format than its mix format");
            return AUDCLNT_E_UNSUPPORTED_FORMAT;
        }
        flags_ = flags;
        initialised_ = true;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetBufferSize(UINT32* frames) override {
        if (!initialised_) return AUDCLNT_E_NOT_INITIALIZED;
        *frames = render_ ? render_->BufferFrames() : 4800;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetStreamLatency(REFERENCE_TIME* latency) override {
        *latency = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetCurrentPadding(UINT32* padding) override {
        if (!initialised_) return AUDCLNT_E_NOT_INITIALIZED;
        *padding = render_ ? render_->Padding() : static_cast<UINT32>(capture_->Queued());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE IsFormatSupported(AUDCLNT_SHAREMODE, const WAVEFORMATEX* format,
                                                WAVEFORMATEX** closest) override {
        if (closest) *closest = nullptr;
        if (render_) return render_->IsFormatSupported(format, closest);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetMixFormat(WAVEFORMATEX** format) override {
        *format = CopyFormat(StereoPcm48k());
        return *format ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE GetDevicePeriod(REFERENCE_TIME* def, REFERENCE_TIME* min) override {
        if (def) *def = 100000;
        if (min) *min = 30000;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Start() override {
        if (!initialised_) return AUDCLNT_E_NOT_INITIALIZED;
        if (started_) return AUDCLNT_E_NOT_STOPPED;
        if (render_ && (flags_ & AUDCLNT_STREAMFLAGS_EVENTCALLBACK) && !event_set_) return AUDCLNT_E_EVENTHANDLE_NOT_SET;
        started_ = true;
        if (render_) render_->SetStarted(true);
        if (capture_) capture_->SetStarted(true);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Stop() override {
        if (!started_) return S_FALSE;
        started_ = false;
        if (render_) render_->SetStarted(false);
        if (capture_) capture_->SetStarted(false);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Reset() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetEventHandle(HANDLE event) override {
        if (!initialised_) return AUDCLNT_E_NOT_INITIALIZED;
        if (!(flags_ & AUDCLNT_STREAMFLAGS_EVENTCALLBACK)) return AUDCLNT_E_EVENTHANDLE_NOT_EXPECTED;
        if (render_) render_->SetEvent(event);
        event_set_ = true;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetService(REFIID iid, void** out) override {
        *out = nullptr;
        if (!initialised_) return AUDCLNT_E_NOT_INITIALIZED;
        if (capture_ && IsEqualIID(iid, __uuidof(IAudioCaptureClient))) {
            *out = static_cast<IAudioCaptureClient*>(new CaptureClient(capture_));
            return S_OK;
        }
        if (render_ && IsEqualIID(iid, __uuidof(IAudioRenderClient))) {
            *out = static_cast<IAudioRenderClient*>(new RenderClient(render_));
            return S_OK;
        }
        return E_NOINTERFACE;
    }

private:
    std::shared_ptr<CaptureStream> capture_;
    std::shared_ptr<RenderStream> render_;
    bool initialised_ = false;
    bool started_ = false;
    bool event_set_ = false;
    DWORD flags_ = 0;
};

class Device : public Object<IMMDevice> {
public:
    Device(EndpointSpec spec, std::shared_ptr<CaptureStream> c, std::shared_ptr<RenderStream> r)
        : spec_(std::move(spec)), capture_(std::move(c)), render_(std::move(r)) {}
    HRESULT STDMETHODCALLTYPE Activate(REFIID iid, DWORD, PROPVARIANT*, void** out) override {
        *out = nullptr;
        if (!IsEqualIID(iid, __uuidof(IAudioClient))) return E_NOINTERFACE;
        if (!capture_ && !render_) return AUDCLNT_E_DEVICE_INVALIDATED;
        *out = static_cast<IAudioClient*>(new AudioClient(capture_, render_));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OpenPropertyStore(DWORD, IPropertyStore** store) override {
        *store = new PropertyStore(spec_);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetId(LPWSTR* id) override {
        *id = static_cast<LPWSTR>(CoTaskMemAlloc(sizeof(L"fake")));
        if (!*id) return E_OUTOFMEMORY;
        memcpy(*id, L"fake", sizeof(L"fake"));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetState(DWORD* state) override {
        *state = DEVICE_STATE_ACTIVE;
        return S_OK;
    }

private:
    EndpointSpec spec_;
    std::shared_ptr<CaptureStream> capture_;
    std::shared_ptr<RenderStream> render_;
};

class Collection : public Object<IMMDeviceCollection> {
public:
    explicit Collection(std::vector<IMMDevice*> devices) : devices_(std::move(devices)) {
        for (IMMDevice* d : devices_) d->AddRef();
    }
    ~Collection() override {
        for (IMMDevice* d : devices_) d->Release();
    }
    HRESULT STDMETHODCALLTYPE GetCount(UINT* count) override {
        *count = static_cast<UINT>(devices_.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Item(UINT i, IMMDevice** device) override {
        if (i >= devices_.size()) {
            *device = nullptr;
            return E_INVALIDARG;
        }
        devices_[i]->AddRef();
        *device = devices_[i];
        return S_OK;
    }

private:
    std::vector<IMMDevice*> devices_;
};

class Enumerator : public Object<IMMDeviceEnumerator> {
public:
    Enumerator(std::vector<IMMDevice*> captures, IMMDevice* render) : captures_(std::move(captures)), render_(render) {}
    ~Enumerator() override {
        for (IMMDevice* d : captures_) d->Release();
        if (render_) render_->Release();
    }
    HRESULT STDMETHODCALLTYPE EnumAudioEndpoints(EDataFlow flow, DWORD, IMMDeviceCollection** out) override {
        ++enumerations;
        priority = GetThreadPriority(GetCurrentThread());
        APTTYPE type = APTTYPE_CURRENT;
        APTTYPEQUALIFIER qualifier = APTTYPEQUALIFIER_NONE;
        apartment = SUCCEEDED(CoGetApartmentType(&type, &qualifier)) ? static_cast<int>(type) : -1;
        if (flow == eCapture) {
            *out = new Collection(captures_);
        } else {
            *out = new Collection(render_ ? std::vector<IMMDevice*>{render_} : std::vector<IMMDevice*>{});
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDefaultAudioEndpoint(EDataFlow flow, ERole, IMMDevice** out) override {
        *out = nullptr;
        if (flow != eRender || !render_) return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
        render_->AddRef();
        *out = render_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDevice(LPCWSTR, IMMDevice**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RegisterEndpointNotificationCallback(IMMNotificationClient*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnregisterEndpointNotificationCallback(IMMNotificationClient*) override {
        return E_NOTIMPL;
    }
    std::atomic<int> enumerations{0};
    std::atomic<int> priority{0};
    std::atomic<int> apartment{-1};

private:
    std::vector<IMMDevice*> captures_;
    IMMDevice* render_;
};

}  // namespace

int LiveObjects() { return g_live.load(); }

WAVEFORMATEX StereoPcm48k() {
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = 2;
    f.nSamplesPerSec = 48000;
    f.wBitsPerSample = 16;
    f.nBlockAlign = 4;
    f.nAvgBytesPerSec = 48000 * 4;
    return f;
}

void EncodeFrame(uint64_t index, int16_t* frame) {
    frame[0] = static_cast<int16_t>(static_cast<uint16_t>(index & 0xFFFF));
    frame[1] = static_cast<int16_t>(static_cast<uint16_t>((index >> 16) + 1));
}

bool DecodeFrame(const int16_t* frame, uint64_t& index) {
    const auto hi = static_cast<uint16_t>(frame[1]);
    if (hi == 0) return false;
    index = (uint64_t{hi} - 1) << 16 | static_cast<uint16_t>(frame[0]);
    return true;
}

void Violations::Add(const char* what) {
    std::lock_guard lock(mutex);
    if (count++ == 0) first = what;
}

// ---- CaptureStream ---------------------------------------------------------

CaptureStream::CaptureStream() = default;

CaptureStream::~CaptureStream() {
    for (Packet& p : packets_) Free(p);
}

CaptureStream::Packet CaptureStream::Allocate(uint64_t first, uint32_t frames) {
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    const size_t bytes = size_t{frames} * 4;
    const size_t page = si.dwPageSize;
    const size_t data_pages = (bytes + page - 1) / page;
    Packet p;
    p.first = first;
    p.frames = frames;
    p.base = VirtualAlloc(nullptr, (data_pages + 1) * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (!p.base) return p;
    auto* guard = static_cast<BYTE*>(p.base) + data_pages * page;
    DWORD old = 0;
    VirtualProtect(guard, page, PAGE_NOACCESS, &old);
    p.samples = reinterpret_cast<int16_t*>(guard - bytes);
    for (uint32_t i = 0; i < frames; ++i) EncodeFrame(first + i, p.samples + 2 * i);
    return p;
}

void CaptureStream::Free(Packet& packet) {
    if (packet.base) VirtualFree(packet.base, 0, MEM_RELEASE);
    packet.base = nullptr;
}

void CaptureStream::SetPacketSizes(std::vector<uint32_t> sizes, uint32_t first) {
    std::lock_guard lock(mutex_);
    sizes_ = std::move(sizes);
    first_size_ = first;
}

void CaptureStream::SetReadyAtStart(bool ready) {
    std::lock_guard lock(mutex_);
    ready_at_start_ = ready;
}

void CaptureStream::PublishLocked(uint32_t size, uint64_t now) {
    Packet p = Allocate(produced_, size);
    if (!p.base) {
        violations.Add("fake could not allocate a packet");
        return;
    }
    packets_.push_back(p);
    publish_time_.insert(publish_time_.end(), size, now);
    produced_ += size;
    if (size > max_packet_) max_packet_ = size;
}

void CaptureStream::Advance(uint64_t now) {
    std::lock_guard lock(mutex_);
    if (!started_) return;
    if (!have_start_) {
        have_start_ = true;
        start_time_ = now;
    }
    for (;;) {
        uint32_t size = 0;
        if (produced_ == 0 && first_size_ > 0) {
            size = first_size_;
        } else {
            if (sizes_.empty()) return;
            size = sizes_[next_size_ % sizes_.size()];
            if (size == 0) {
                ++next_size_;
                continue;
            }
        }
        if (start_time_ + produced_ + size > now) return;
        if (!(produced_ == 0 && first_size_ > 0)) ++next_size_;
        PublishLocked(size, now);
    }
}

void CaptureStream::SetStarted(bool started) {
    std::lock_guard lock(mutex_);
    if (started && !started_ && ready_at_start_ && produced_ == 0 && first_size_ > 0) {
        // The first packet is already there: its frames count as captured
        // just before the start.
        have_start_ = true;
        start_time_ = 0;
        PublishLocked(first_size_, 0);
        first_size_ = 0;
    }
    started_ = started;
}

bool CaptureStream::Started() {
    std::lock_guard lock(mutex_);
    return started_;
}

HRESULT CaptureStream::GetBuffer(BYTE** data, UINT32* frames, DWORD* flags) {
    std::lock_guard lock(mutex_);
    *data = nullptr;
    *frames = 0;
    *flags = 0;
    if (held_) {
        violations.Add("capture GetBuffer while a packet is held");
        return AUDCLNT_E_OUT_OF_ORDER;
    }
    if (packets_.empty()) return AUDCLNT_S_BUFFER_EMPTY;
    held_ = true;
    *data = reinterpret_cast<BYTE*>(packets_.front().samples);
    *frames = packets_.front().frames;
    return S_OK;
}

HRESULT CaptureStream::ReleaseBuffer(UINT32 frames) {
    std::lock_guard lock(mutex_);
    if (!held_) {
        violations.Add("capture ReleaseBuffer without GetBuffer");
        return AUDCLNT_E_OUT_OF_ORDER;
    }
    held_ = false;
    if (frames == 0) return S_OK;
    if (frames != packets_.front().frames) {
        violations.Add("capture packet released in part");
        return AUDCLNT_E_INVALID_SIZE;
    }
    Free(packets_.front());
    packets_.pop_front();
    return S_OK;
}

UINT32 CaptureStream::NextPacketSize() {
    std::lock_guard lock(mutex_);
    return packets_.empty() ? 0 : packets_.front().frames;
}

uint64_t CaptureStream::Produced() {
    std::lock_guard lock(mutex_);
    return produced_;
}

uint64_t CaptureStream::Queued() {
    std::lock_guard lock(mutex_);
    uint64_t n = 0;
    for (const Packet& p : packets_) n += p.frames;
    return n;
}

uint64_t CaptureStream::PublishTime(uint64_t index) {
    std::lock_guard lock(mutex_);
    return index < publish_time_.size() ? publish_time_[index] : 0;
}

uint64_t CaptureStream::StartTime() {
    std::lock_guard lock(mutex_);
    return start_time_;
}

uint32_t CaptureStream::MaxPacket() {
    std::lock_guard lock(mutex_);
    return max_packet_;
}

// ---- RenderStream ----------------------------------------------------------

RenderStream::RenderStream(uint32_t buffer_frames) : buffer_frames_(buffer_frames), scratch_(size_t{buffer_frames} * 2) {}

void RenderStream::RefuseFormats(bool closest_match) {
    std::lock_guard lock(mutex_);
    refuse_ = true;
    closest_ = closest_match;
}

HRESULT RenderStream::IsFormatSupported(const WAVEFORMATEX* format, WAVEFORMATEX** closest) {
    std::lock_guard lock(mutex_);
    if (!refuse_ && SameFormat(*format, StereoPcm48k())) return S_OK;
    if (closest_ && closest) {
        WAVEFORMATEX other = StereoPcm48k();
        other.nSamplesPerSec = 44100;
        other.nAvgBytesPerSec = 44100 * 4;
        *closest = CopyFormat(other);
        return S_FALSE;
    }
    return AUDCLNT_E_UNSUPPORTED_FORMAT;
}

HRESULT RenderStream::CheckFormat(const WAVEFORMATEX* format) {
    std::lock_guard lock(mutex_);
    return !refuse_ && SameFormat(*format, StereoPcm48k()) ? S_OK : AUDCLNT_E_UNSUPPORTED_FORMAT;
}

UINT32 RenderStream::Padding() {
    std::lock_guard lock(mutex_);
    return static_cast<UINT32>(queue_.size());
}

HRESULT RenderStream::GetBuffer(UINT32 frames, BYTE** data) {
    std::lock_guard lock(mutex_);
    *data = nullptr;
    if (lent_) {
        violations.Add("render GetBuffer twice");
        return AUDCLNT_E_OUT_OF_ORDER;
    }
    if (frames > buffer_frames_ - queue_.size()) {
        violations.Add("render buffer asked beyond the free space");
        return AUDCLNT_E_BUFFER_TOO_LARGE;
    }
    lent_ = true;
    lent_frames_ = frames;
    // Garbage, so a client that releases frames it did not write is seen.
    for (size_t i = 0; i < size_t{frames} * 2; ++i) scratch_[i] = static_cast<int16_t>(0x7A7A);
    *data = reinterpret_cast<BYTE*>(scratch_.data());
    return S_OK;
}

HRESULT RenderStream::ReleaseBuffer(UINT32 frames, DWORD flags) {
    std::lock_guard lock(mutex_);
    if (!lent_) {
        violations.Add("render ReleaseBuffer without GetBuffer");
        return AUDCLNT_E_OUT_OF_ORDER;
    }
    lent_ = false;
    if (frames > lent_frames_) {
        violations.Add("render ReleaseBuffer of more than was asked");
        return AUDCLNT_E_INVALID_SIZE;
    }
    for (UINT32 i = 0; i < frames; ++i) {
        const int16_t* f = scratch_.data() + 2 * size_t{i};
        uint64_t index = 0;
        if ((flags & AUDCLNT_BUFFERFLAGS_SILENT) || (f[0] == 0 && f[1] == 0)) {
            queue_.push_back(-1);
            ++silent_written_;
        } else if (!(f[0] == 0x7A7A && f[1] == 0x7A7A) && DecodeFrame(f, index)) {
            queue_.push_back(static_cast<int64_t>(received_.size()));
            received_.push_back({index, now_, 0});
        } else {
            violations.Add("render frame released that was never written");
            queue_.push_back(-1);
        }
    }
    return S_OK;
}

void RenderStream::NewStream() {
    std::lock_guard lock(mutex_);
    // Frames still queued from an earlier client are never played.
    for (const int64_t slot : queue_) {
        if (slot >= 0) received_[static_cast<size_t>(slot)].play_time = 0;
    }
    queue_.clear();
    lent_ = false;
}

void RenderStream::SetEvent(HANDLE event) {
    std::lock_guard lock(mutex_);
    event_ = event;
}

void RenderStream::SetStarted(bool started) {
    std::lock_guard lock(mutex_);
    started_ = started;
}

void RenderStream::SetNow(uint64_t now) {
    std::lock_guard lock(mutex_);
    now_ = now;
}

void RenderStream::Play(uint32_t frames, uint64_t now) {
    std::lock_guard lock(mutex_);
    if (!started_) return;
    for (uint32_t j = 0; j < frames; ++j) {
        if (queue_.empty()) {
            underruns_ += frames - j;
            return;
        }
        const int64_t slot = queue_.front();
        queue_.pop_front();
        if (slot >= 0) received_[static_cast<size_t>(slot)].play_time = now + j;
    }
}

void RenderStream::Signal() {
    std::lock_guard lock(mutex_);
    if (started_ && event_) ::SetEvent(event_);
}

std::vector<RenderStream::Received> RenderStream::Samples() {
    std::lock_guard lock(mutex_);
    return received_;
}

uint64_t RenderStream::SilentFramesWritten() {
    std::lock_guard lock(mutex_);
    return silent_written_;
}

uint64_t RenderStream::Underruns() {
    std::lock_guard lock(mutex_);
    return underruns_;
}

// ---- COM objects and engine ------------------------------------------------

IMMDeviceEnumerator* MakeEnumerator(std::vector<EndpointSpec> captures, std::shared_ptr<CaptureStream> capture,
                                    EndpointSpec render, std::shared_ptr<RenderStream> render_stream) {
    std::vector<IMMDevice*> devices;
    for (EndpointSpec& endpoint : captures) {
        // Only the line-level endpoint carries the stream; others can be
        // activated but deliver nothing.
        const bool line = endpoint.form_factor == 2;
        devices.push_back(new Device(std::move(endpoint), line ? capture : nullptr, nullptr));
    }
    IMMDevice* out = render_stream ? new Device(std::move(render), nullptr, render_stream) : nullptr;
    return new Enumerator(std::move(devices), out);
}

int EnumerationCount(IMMDeviceEnumerator* enumerator) {
    return static_cast<Enumerator*>(enumerator)->enumerations.load();
}

int EnumeratingThreadPriority(IMMDeviceEnumerator* enumerator) {
    return static_cast<Enumerator*>(enumerator)->priority.load();
}

int EnumeratingThreadApartment(IMMDeviceEnumerator* enumerator) {
    return static_cast<Enumerator*>(enumerator)->apartment.load();
}

Engine::Engine(std::shared_ptr<CaptureStream> capture, std::shared_ptr<RenderStream> render)
    : capture_(std::move(capture)), render_(std::move(render)) {}

Engine::~Engine() { Stop(); }

void Engine::Start(DWORD real_ms) {
    stop_ = false;
    thread_ = std::thread([this, real_ms] { Loop(real_ms); });
}

void Engine::Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

void Engine::Loop(DWORD real_ms) {
    uint64_t tick = 0;
    while (!stop_) {
        Sleep(real_ms);
        ++tick;
        const uint64_t now = tick * kPeriod;
        now_ = now;
        if (!(burst_capture_every_ && tick % burst_capture_every_ == 0)) capture_->Advance(now);
        render_->SetNow(now);
        if (!(stall_render_every_ && tick % stall_render_every_ == 0)) render_->Play(kPeriod, now);
        render_->Signal();
    }
}

}  // namespace fakeaudio
