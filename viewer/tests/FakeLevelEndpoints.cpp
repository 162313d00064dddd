#include "FakeLevelEndpoints.h"

#include <propidl.h>

#include <memory>

namespace fakelevel {
namespace {

int g_live = 0;
int g_violations = 0;
std::vector<std::shared_ptr<Endpoint>> g_endpoints;

template <class... I>
class Object : public I... {
public:
    Object() { ++g_live; }
    virtual ~Object() { --g_live; }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

protected:
    template <class T>
    HRESULT Answer(REFIID iid, void** out, T* self) {
        if (out == nullptr) return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(T)) {
            *out = self;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }

private:
    ULONG refs_ = 1;
};

class Meter : public Object<IAudioMeterInformation> {
public:
    explicit Meter(std::shared_ptr<Endpoint> e) : e_(std::move(e)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        return Answer<IAudioMeterInformation>(iid, out, this);
    }
    HRESULT STDMETHODCALLTYPE GetPeakValue(float* peak) override {
        if (e_->meter_fails) return E_FAIL;
        float top = 0.0f;
        for (float p : e_->peaks) top = p > top ? p : top;
        *peak = top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetMeteringChannelCount(UINT* count) override {
        if (e_->meter_fails) return E_FAIL;
        *count = static_cast<UINT>(e_->peaks.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetChannelsPeakValues(UINT32 count, float* peaks) override {
        if (e_->meter_fails) return E_FAIL;
        if (count != e_->peaks.size()) {  // as the system's meter answers
            ++g_violations;
            return E_INVALIDARG;
        }
        for (UINT32 i = 0; i < count; ++i) peaks[i] = e_->peaks[i];
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE QueryHardwareSupport(DWORD* mask) override {
        *mask = 0;
        return S_OK;
    }

private:
    std::shared_ptr<Endpoint> e_;
};

const PROPERTYKEY kFormFactor = {{0x1da5d803, 0xd492, 0x4edd, {0x8c, 0x23, 0xe0, 0xc0, 0xff, 0xee, 0x7f, 0x0e}}, 0};

class Store : public Object<IPropertyStore> {
public:
    explicit Store(UINT form_factor) : form_factor_(form_factor) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        return Answer<IPropertyStore>(iid, out, this);
    }
    HRESULT STDMETHODCALLTYPE GetCount(DWORD* n) override {
        *n = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetAt(DWORD, PROPERTYKEY*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetValue(REFPROPERTYKEY key, PROPVARIANT* value) override {
        PropVariantInit(value);
        if (key.fmtid == kFormFactor.fmtid && key.pid == kFormFactor.pid) {
            value->vt = VT_UI4;
            value->ulVal = form_factor_;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetValue(REFPROPERTYKEY, REFPROPVARIANT) override { return STG_E_ACCESSDENIED; }
    HRESULT STDMETHODCALLTYPE Commit() override { return STG_E_ACCESSDENIED; }

private:
    UINT form_factor_;
};

class Device : public Object<IMMDevice> {
public:
    explicit Device(std::shared_ptr<Endpoint> e) : e_(std::move(e)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override { return Answer<IMMDevice>(iid, out, this); }
    HRESULT STDMETHODCALLTYPE Activate(REFIID iid, DWORD, PROPVARIANT*, void** out) override {
        if (iid != __uuidof(IAudioMeterInformation)) return E_NOINTERFACE;
        *out = static_cast<IAudioMeterInformation*>(new Meter(e_));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OpenPropertyStore(DWORD access, IPropertyStore** out) override {
        if (access != STGM_READ) ++g_violations;
        *out = new Store(e_->form_factor);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetId(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetState(DWORD* state) override {
        *state = DEVICE_STATE_ACTIVE;
        return S_OK;
    }

private:
    std::shared_ptr<Endpoint> e_;
};

class Collection : public Object<IMMDeviceCollection> {
public:
    explicit Collection(std::vector<std::shared_ptr<Endpoint>> e) : e_(std::move(e)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        return Answer<IMMDeviceCollection>(iid, out, this);
    }
    HRESULT STDMETHODCALLTYPE GetCount(UINT* n) override {
        *n = static_cast<UINT>(e_.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Item(UINT i, IMMDevice** out) override {
        if (i >= e_.size()) return E_INVALIDARG;
        *out = new Device(e_[i]);
        return S_OK;
    }

private:
    std::vector<std::shared_ptr<Endpoint>> e_;
};

class Enumerator : public Object<IMMDeviceEnumerator> {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        return Answer<IMMDeviceEnumerator>(iid, out, this);
    }
    HRESULT STDMETHODCALLTYPE EnumAudioEndpoints(EDataFlow flow, DWORD mask, IMMDeviceCollection** out) override {
        if (flow != eCapture || mask != (DEVICE_STATE_ACTIVE | DEVICE_STATE_DISABLED | DEVICE_STATE_UNPLUGGED)) {
            ++g_violations;
            return E_INVALIDARG;
        }
        *out = new Collection(g_endpoints);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDefaultAudioEndpoint(EDataFlow, ERole, IMMDevice**) override { return E_NOTFOUND; }
    HRESULT STDMETHODCALLTYPE GetDevice(LPCWSTR, IMMDevice**) override { return E_NOTFOUND; }
    HRESULT STDMETHODCALLTYPE RegisterEndpointNotificationCallback(IMMNotificationClient*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE UnregisterEndpointNotificationCallback(IMMNotificationClient*) override { return S_OK; }
};

}  // namespace

void SetEndpoints(std::vector<Endpoint> endpoints) {
    g_endpoints.clear();
    for (Endpoint& e : endpoints) g_endpoints.push_back(std::make_shared<Endpoint>(std::move(e)));
}

void SetPeaks(size_t index, std::vector<float> peaks) { g_endpoints.at(index)->peaks = std::move(peaks); }

HRESULT MakeEnumerator(IMMDeviceEnumerator** out) {
    *out = new Enumerator();
    return S_OK;
}

int LiveObjects() { return g_live; }
int Violations() { return g_violations; }

}  // namespace fakelevel
