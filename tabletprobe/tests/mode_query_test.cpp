// The Windows Runtime mode query against fake runtime objects.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

#include "tabletprobe/ModeQuery.h"

namespace {

using Tavrin::IViewSettings;
using Tavrin::IViewSettingsInterop;

// A minimal IInspectable base whose reference count the test can read.
template <class I>
class FakeInspectable : public I {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE GetIids(ULONG*, IID**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetRuntimeClassName(HSTRING*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTrustLevel(TrustLevel*) override { return E_NOTIMPL; }
    ULONG refs = 1;  // the test's own reference
};

class FakeSettings : public FakeInspectable<IViewSettings> {
public:
    HRESULT STDMETHODCALLTYPE get_UserInteractionMode(int32_t* mode) override {
        ++calls;
        if (failures > 0) {
            --failures;
            return E_FAIL;
        }
        *mode = value;
        return S_OK;
    }
    int32_t value = 0;
    int failures = 0;
    int calls = 0;
};

class FakeInterop : public FakeInspectable<IViewSettingsInterop> {
public:
    HRESULT STDMETHODCALLTYPE GetForWindow(HWND window, REFIID iid, void** out) override {
        ++calls;
        last_window = window;
        iid_ok = IsEqualIID(iid, Tavrin::kIidViewSettings);
        if (failures > 0) {
            --failures;
            *out = nullptr;
            return E_ACCESSDENIED;
        }
        *out = hand_out_null ? nullptr : settings;
        if (*out) settings->AddRef();
        return S_OK;
    }
    FakeSettings* settings = nullptr;
    HWND last_window = nullptr;
    bool iid_ok = false;
    bool hand_out_null = false;
    int failures = 0;
    int calls = 0;
};

// The runtime entry points, routed to the fakes of the running test.
struct Runtime {
    FakeInterop* interop = nullptr;
    int factory_calls = 0;
    int factory_failures = 0;
    bool factory_null = false;
    bool class_ok = true;
    bool iid_ok = true;
};
Runtime* g_rt = nullptr;

HRESULT WINAPI FakeCreateStringReference(PCWSTR text, UINT32 length, HSTRING_HEADER*, HSTRING* out) {
    // The fake HSTRING is the text itself; the factory checks it.
    if (wcslen(text) != length) return E_INVALIDARG;
    *out = reinterpret_cast<HSTRING>(const_cast<PWSTR>(text));
    return S_OK;
}

HRESULT WINAPI FakeGetActivationFactory(HSTRING class_id, REFIID iid, void** out) {
    ++g_rt->factory_calls;
    g_rt->class_ok = g_rt->class_ok && wcscmp(reinterpret_cast<PCWSTR>(class_id), Tavrin::kViewSettingsClass) == 0;
    g_rt->iid_ok = g_rt->iid_ok && IsEqualIID(iid, Tavrin::kIidViewSettingsInterop);
    *out = nullptr;
    if (g_rt->factory_failures > 0) {
        --g_rt->factory_failures;
        return REGDB_E_CLASSNOTREG;
    }
    if (g_rt->factory_null) return S_OK;
    g_rt->interop->AddRef();
    *out = static_cast<IViewSettingsInterop*>(g_rt->interop);
    return S_OK;
}

class ModeQuery : public ::testing::Test {
protected:
    void SetUp() override {
        interop_.settings = &settings_;
        rt_.interop = &interop_;
        g_rt = &rt_;
        api_.createStringReference = &FakeCreateStringReference;
        api_.getActivationFactory = &FakeGetActivationFactory;
    }
    void TearDown() override {
        // Everything the query took, it gave back.
        EXPECT_EQ(interop_.refs, 1u);
        EXPECT_EQ(settings_.refs, 1u);
        EXPECT_TRUE(rt_.class_ok);
        EXPECT_TRUE(rt_.iid_ok);
        g_rt = nullptr;
    }
    int32_t Query() { return Tavrin::QueryInteractionMode(window_, api_); }

    HWND window_ = reinterpret_cast<HWND>(0x1234);
    FakeSettings settings_;
    FakeInterop interop_;
    Runtime rt_;
    Tavrin::WinRtApi api_;
};

TEST_F(ModeQuery, MapsTheInteractionMode) {
    settings_.value = 0;
    EXPECT_EQ(Query(), 1);
    settings_.value = 1;
    EXPECT_EQ(Query(), 2);
    settings_.value = 7;
    EXPECT_EQ(Query(), 0);
    EXPECT_EQ(interop_.last_window, window_);
    EXPECT_TRUE(interop_.iid_ok);
}

TEST_F(ModeQuery, RetriesEachFailingStepUpToFiveAttempts) {
    rt_.factory_failures = 2;
    interop_.failures = 1;
    settings_.failures = 1;
    settings_.value = 1;
    EXPECT_EQ(Query(), 2);  // attempts: factory, factory, window, getter, success
    EXPECT_EQ(rt_.factory_calls, 5);
}

TEST_F(ModeQuery, GivesMinusOneAfterFiveFailedAttempts) {
    settings_.failures = 5;
    EXPECT_EQ(Query(), -1);
    EXPECT_EQ(settings_.calls, 5);
    EXPECT_EQ(rt_.factory_calls, 5);

    rt_.factory_failures = 100;
    rt_.factory_calls = 0;
    EXPECT_EQ(Query(), -1);
    EXPECT_EQ(rt_.factory_calls, 5);
}

TEST_F(ModeQuery, NullInterfaceFromASucceedingCallEndsAtOnce) {
    rt_.factory_null = true;
    EXPECT_EQ(Query(), -1);
    EXPECT_EQ(rt_.factory_calls, 1);

    rt_.factory_null = false;
    rt_.factory_calls = 0;
    interop_.hand_out_null = true;
    EXPECT_EQ(Query(), -1);
    EXPECT_EQ(interop_.calls, 1);
}

TEST_F(ModeQuery, NullWindowOrMissingRuntimeGivesMinusOneWithoutCalls) {
    EXPECT_EQ(Tavrin::QueryInteractionMode(nullptr, api_), -1);
    EXPECT_EQ(Tavrin::QueryInteractionMode(window_, Tavrin::WinRtApi{}), -1);
    EXPECT_EQ(rt_.factory_calls, 0);
}

}  // namespace
