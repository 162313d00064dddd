#include "viewer/controls/AudioLevelMeter.h"

#include <propidl.h>

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "viewer/controls/KitCommon.h"
#include "viewer/core/LevelMeter.h"

namespace vistrel {

namespace {

constexpr wchar_t kClassName[] = L"AudioLevelMeterControl";
constexpr COLORREF kMeterBack = 0x808080;
constexpr COLORREF kMeterBar = 0x00C000;

const CLSID kClsidMMDeviceEnumerator = {0xbcde0395, 0xe52f, 0x467c, {0x8e, 0x3d, 0xc4, 0x57, 0x92, 0x91, 0x69, 0x2e}};
const PROPERTYKEY kFormFactorKey = {{0x1da5d803, 0xd492, 0x4edd, {0x8c, 0x23, 0xe0, 0xc0, 0xff, 0xee, 0x7f, 0x0e}}, 0};
constexpr UINT kLineLevel = 2;  // EndpointFormFactor LineLevel
constexpr DWORD kEndpointStates = DEVICE_STATE_ACTIVE | DEVICE_STATE_DISABLED | DEVICE_STATE_UNPLUGGED;

HRESULT SystemEnumerator(IMMDeviceEnumerator** out) {
    return CoCreateInstance(kClsidMMDeviceEnumerator, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IMMDeviceEnumerator),
                            reinterpret_cast<void**>(out));
}

// The process's one source and its users; UI thread only.
struct SharedSource {
    AudioLevelSource::EnumeratorFactory factory = nullptr;
    int users = 0;
    std::unique_ptr<AudioLevelSource> source;
};
SharedSource g_shared;

bool IsLineLevel(IMMDevice* device) noexcept {
    winkit::ComPtr<IPropertyStore> store;
    if (FAILED(device->OpenPropertyStore(STGM_READ, store.Put())) || !store) return false;
    PROPVARIANT value;
    PropVariantInit(&value);
    const bool line = SUCCEEDED(store->GetValue(kFormFactorKey, &value)) && value.vt == VT_UI4 &&
                      value.ulVal == kLineLevel;
    PropVariantClear(&value);
    return line;
}

}  // namespace

void AudioLevelSource::SetEnumeratorFactory(EnumeratorFactory factory) noexcept { g_shared.factory = factory; }

AudioLevelSource* AudioLevelSource::Acquire() noexcept {
    if (g_shared.users++ == 0) {
        std::unique_ptr<AudioLevelSource> source(new (std::nothrow) AudioLevelSource());
        if (source && source->Open()) g_shared.source = std::move(source);
    }
    return g_shared.source.get();
}

void AudioLevelSource::Release() noexcept {
    if (g_shared.users <= 0) return;
    if (--g_shared.users == 0) g_shared.source.reset();
}

int AudioLevelSource::Users() noexcept { return g_shared.users; }

bool AudioLevelSource::Open() noexcept {
    // S_FALSE (already initialised) must be balanced too; a thread in another
    // apartment mode keeps its mode and is not uninitialised by us.
    const HRESULT init = CoInitialize(nullptr);
    com_initialised_ = SUCCEEDED(init);
    const EnumeratorFactory make = g_shared.factory != nullptr ? g_shared.factory : SystemEnumerator;
    if (FAILED(make(enumerator_.Put())) || !enumerator_) return false;
    winkit::ComPtr<IMMDeviceCollection> endpoints;
    if (FAILED(enumerator_->EnumAudioEndpoints(eCapture, kEndpointStates, endpoints.Put())) || !endpoints) {
        return false;
    }
    UINT count = 0;
    if (FAILED(endpoints->GetCount(&count))) return false;
    for (UINT i = 0; i < count && !device_; ++i) {
        winkit::ComPtr<IMMDevice> device;
        if (SUCCEEDED(endpoints->Item(i, device.Put())) && device && IsLineLevel(device.Get())) {
            device_ = std::move(device);
        }
    }
    if (!device_) return false;
    return SUCCEEDED(device_->Activate(__uuidof(IAudioMeterInformation), CLSCTX_ALL, nullptr, meter_.PutVoid())) &&
           meter_;
}

AudioLevelSource::~AudioLevelSource() {
    meter_.Reset();
    device_.Reset();
    enumerator_.Reset();
    if (com_initialised_) CoUninitialize();
}

float AudioLevelSource::ReadLevel(int channel) const noexcept {
    if (!meter_) return 0.0f;
    float peak = 0.0f;
    UINT count = 0;
    if (FAILED(meter_->GetPeakValue(&peak)) || FAILED(meter_->GetMeteringChannelCount(&count))) return 0.0f;
    const int used = controls::MeterChannel(channel, static_cast<int>(std::min<UINT>(count, 16)));
    if (used < 0) return 0.0f;
    // The meter answers only for its exact channel count, so all are read.
    std::vector<float> peaks(count, 0.0f);
    if (FAILED(meter_->GetChannelsPeakValues(count, peaks.data()))) return 0.0f;
    return std::clamp(peaks[static_cast<size_t>(used)], 0.0f, 1.0f);
}

AudioLevelMeterControl::AudioLevelMeterControl() noexcept
    : source_(AudioLevelSource::Acquire()), back_(CreateSolidBrush(kMeterBack)), bar_(CreateSolidBrush(kMeterBar)) {
    (void)controls::EnsureWindowClass(kClassName);
}

AudioLevelMeterControl::~AudioLevelMeterControl() {
    timer_.Stop();
    source_ = nullptr;
    AudioLevelSource::Release();
}

bool AudioLevelMeterControl::Create(HWND parent, UINT id, const RECT& rect, DWORD style) noexcept {
    if (!StaticControl::Create(parent, id, L"", rect, style, kClassName)) return false;
    Start();
    return true;
}

bool AudioLevelMeterControl::Attach(HWND control) noexcept {
    if (!StaticControl::Attach(control)) return false;
    Start();
    return true;
}

void AudioLevelMeterControl::Start() noexcept {
    if (timer_.Running() || source_ == nullptr || !IsWindow()) return;
    ReadLevel();
    (void)timer_.Start(Handle(), kLevelTimer, kLevelPeriodMs);
}

void AudioLevelMeterControl::ReadLevel() noexcept {
    if (source_ != nullptr) level_ = source_->ReadLevel(channel_);
    InvalidateRect(Handle(), nullptr, FALSE);
}

void AudioLevelMeterControl::OnLevelTimer() noexcept { ReadLevel(); }

void AudioLevelMeterControl::Stop() noexcept {
    if (!timer_.Running()) return;
    timer_.Stop();
    level_ = 0.0f;
    InvalidateRect(Handle(), nullptr, FALSE);
}

void AudioLevelMeterControl::PaintTo(HDC target) noexcept {
    const RECT client = ClientRect();
    winkit::BufferedPaint buffer(target, client);
    FillRect(buffer.Get(), &client, back_.Get());
    const RECT bar{0, 0, controls::MeterBarWidth(client.right, level_), client.bottom};
    if (bar.right > 0) FillRect(buffer.Get(), &bar, bar_.Get());
}

void AudioLevelMeterControl::OnPaint() noexcept {
    fw::PaintDc paint(Handle());
    PaintTo(paint.Get());
}

LRESULT AudioLevelMeterControl::HandleMessage(UINT msg, WPARAM w, LPARAM l) {
    switch (msg) {
        case WM_PAINT: OnPaint(); return 0;
        case WM_PRINTCLIENT: PaintTo(reinterpret_cast<HDC>(w)); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_TIMER:
            if (w == kLevelTimer) {
                OnLevelTimer();
                return 0;
            }
            break;
        case WM_DESTROY: {
            const LRESULT result = StaticControl::HandleMessage(msg, w, l);
            Stop();
            return result;
        }
        default: break;
    }
    return StaticControl::HandleMessage(msg, w, l);
}

}  // namespace vistrel
