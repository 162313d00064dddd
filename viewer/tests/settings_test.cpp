// The settings store against the Wine prefix's registry.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <vector>

#include "viewer/app/SettingsStore.h"
#include "viewer/framework/Window.h"

namespace vistrel {
namespace {

constexpr const wchar_t* kProgramPath = L"Software\\Harlowe\\Vistrel";

// The user's system settings, kept in memory, with every write recorded.
class FakeSystem : public SystemParameterAccess {
public:
    std::map<UINT, DWORD> values{{SPI_GETCONTACTVISUALIZATION, 1}, {SPI_GETGESTUREVISUALIZATION, 1}};
    std::vector<std::pair<UINT, DWORD>> sets;
    bool Get(UINT code, DWORD& value) override {
        value = values[code];
        return true;
    }
    bool Set(UINT code, DWORD value) override {
        sets.push_back({code, value});
        values[code - 1] = value;  // each set code follows its get code
        return true;
    }
};

void DeleteTree(HKEY root) { RegDeleteTreeW(root, L"Software\\Harlowe"); }

bool KeyExists(HKEY root, const wchar_t* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path, 0, KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

void SetValue(HKEY root, const wchar_t* name, DWORD type, const void* data, DWORD size) {
    ASSERT_EQ(RegSetKeyValueW(root, kProgramPath, name, type, data, size), ERROR_SUCCESS);
}

void SetDword(HKEY root, const wchar_t* name, DWORD value) { SetValue(root, name, REG_DWORD, &value, sizeof value); }

bool GetDword(HKEY root, const wchar_t* name, DWORD& value) {
    DWORD size = sizeof value;
    return RegGetValueW(root, kProgramPath, name, RRF_RT_REG_DWORD, nullptr, &value, &size) == ERROR_SUCCESS;
}

class Settings : public testing::Test {
protected:
    void SetUp() override {
        DeleteTree(HKEY_LOCAL_MACHINE);
        DeleteTree(HKEY_CURRENT_USER);
    }
    void TearDown() override { SetUp(); }
    FakeSystem system;
};

TEST_F(Settings, DefaultsWithoutAnyKey) {
    const ViewParameters p = ReadViewParameters();
    EXPECT_EQ(p, (ViewParameters{{{0, L"1"}, {1, L"0"}, {2, L"16"}, {3, L"20"}, {4, L"8"}, {5, L"2"}, {6, L"0"}}}));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Harlowe")) << "reading creates nothing";
}

TEST_F(Settings, LimitsAndTheZoomInterplay) {
    SetDword(HKEY_LOCAL_MACHINE, L"MaxZoom", 3);
    SetDword(HKEY_LOCAL_MACHINE, L"DoubleClickZoom", 5);
    SetDword(HKEY_LOCAL_MACHINE, L"AudioDelay", 0);
    SetDword(HKEY_LOCAL_MACHINE, L"Detect", 7);
    SetDword(HKEY_LOCAL_MACHINE, L"ApiLog", 1);
    SetDword(HKEY_LOCAL_MACHINE, L"ExecutionInterval", 5000);
    SetDword(HKEY_LOCAL_MACHINE, L"CinemaResolDotByDot", 1);
    ViewParameters p = ReadViewParameters();
    EXPECT_EQ(p.Text(kParamMaxZoom), L"3");
    EXPECT_EQ(p.Text(kParamDoubleClickZoom), L"3");
    EXPECT_EQ(p.Text(kParamAudioDelay), L"2");
    EXPECT_EQ(p.Text(kParamDetect), L"1");
    EXPECT_EQ(p.Text(kParamApiLog), L"1");
    EXPECT_EQ(p.Text(kParamExecutionInterval), L"5000") << "passed on unlimited";
    EXPECT_EQ(p.Text(kParamCinemaResolDotByDot), L"1");

    SetDword(HKEY_LOCAL_MACHINE, L"AudioDelay", 500);
    SetDword(HKEY_LOCAL_MACHINE, L"MaxZoom", 0xFFFFFFFFu);  // -1
    SetDword(HKEY_LOCAL_MACHINE, L"DoubleClickZoom", 0);
    SetDword(HKEY_LOCAL_MACHINE, L"Detect", 0);
    p = ReadViewParameters();
    EXPECT_EQ(p.Text(kParamAudioDelay), L"160");
    EXPECT_EQ(p.Text(kParamMaxZoom), L"1");
    EXPECT_EQ(p.Text(kParamDoubleClickZoom), L"1");
    EXPECT_EQ(p.Text(kParamDetect), L"0");

    SetDword(HKEY_LOCAL_MACHINE, L"MaxZoom", 40);
    SetDword(HKEY_LOCAL_MACHINE, L"DoubleClickZoom", 9);
    p = ReadViewParameters();
    EXPECT_EQ(p.Text(kParamMaxZoom), L"10");
    EXPECT_EQ(p.Text(kParamDoubleClickZoom), L"9");
}

TEST_F(Settings, WrongValueTypesGiveTheDefaults) {
    const wchar_t text[] = L"5";
    SetValue(HKEY_LOCAL_MACHINE, L"MaxZoom", REG_SZ, text, sizeof text);
    const ULONGLONG wide = 3;
    SetValue(HKEY_LOCAL_MACHINE, L"AudioDelay", REG_QWORD, &wide, sizeof wide);
    const DWORD zero = 0;
    SetValue(HKEY_LOCAL_MACHINE, L"Detect", REG_BINARY, &zero, sizeof zero);
    const ViewParameters p = ReadViewParameters();
    EXPECT_EQ(p.Text(kParamMaxZoom), L"8");
    EXPECT_EQ(p.Text(kParamAudioDelay), L"20");
    EXPECT_EQ(p.Text(kParamDetect), L"1");
}

TEST_F(Settings, GuardSavesSwitchesOffFollowsChangesAndRestores) {
    system.values[SPI_GETGESTUREVISUALIZATION] = 0;  // the user had gestures off, contacts on
    {
        SettingsStore store(0, system);
        DWORD saved = 9;
        ASSERT_TRUE(GetDword(HKEY_CURRENT_USER, L"GestureVisualization", saved));
        EXPECT_EQ(saved, 0u);
        ASSERT_TRUE(GetDword(HKEY_CURRENT_USER, L"ContactVisualization", saved));
        EXPECT_EQ(saved, 1u);
        EXPECT_EQ(system.sets, (std::vector<std::pair<UINT, DWORD>>{{SPI_SETGESTUREVISUALIZATION, 0},
                                                                    {SPI_SETCONTACTVISUALIZATION, 0}}));
        EXPECT_EQ(store.Parameters().Text(kParamMaxZoom), L"8");

        // The user switches gestures on while the viewer runs.
        system.sets.clear();
        system.values[SPI_GETGESTUREVISUALIZATION] = 1;
        store.OnSettingChange(SPI_SETGESTUREVISUALIZATION);
        ASSERT_TRUE(GetDword(HKEY_CURRENT_USER, L"GestureVisualization", saved));
        EXPECT_EQ(saved, 1u);
        EXPECT_EQ(system.sets, (std::vector<std::pair<UINT, DWORD>>{{SPI_SETGESTUREVISUALIZATION, 0}}));

        // Our own switching off, and other settings, change nothing.
        system.sets.clear();
        store.OnSettingChange(SPI_SETGESTUREVISUALIZATION);
        store.OnSettingChange(SPI_SETCONTACTVISUALIZATION);
        store.OnSettingChange(SPI_SETDESKWALLPAPER);
        EXPECT_TRUE(system.sets.empty());
    }
    // Release: contact first, then gesture, each to the saved value; the saved values go.
    EXPECT_EQ(system.sets, (std::vector<std::pair<UINT, DWORD>>{{SPI_SETCONTACTVISUALIZATION, 1},
                                                                {SPI_SETGESTUREVISUALIZATION, 1}}));
    DWORD left = 0;
    EXPECT_FALSE(GetDword(HKEY_CURRENT_USER, L"GestureVisualization", left));
    EXPECT_FALSE(GetDword(HKEY_CURRENT_USER, L"ContactVisualization", left));
}

// A frame-like window that hands WM_SETTINGCHANGE to the store, as the main frame does.
class SettingWatcher : public fw::Window {
public:
    explicit SettingWatcher(SettingsStore& store) : store_(store) {
        CreateEx(0, RegisterClassOnce(L"SettingWatcher"), L"", WS_OVERLAPPEDWINDOW, RECT{0, 0, 10, 10}, nullptr, 0);
    }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override {
        if (msg == WM_SETTINGCHANGE) store_.OnSettingChange(static_cast<UINT>(w));
        return Window::HandleMessage(msg, w, l);
    }

private:
    SettingsStore& store_;
};

TEST_F(Settings, GuardFollowsTheSettingChangeMessage) {
    system.values[SPI_GETCONTACTVISUALIZATION] = 0;
    SettingsStore store(0, system);
    SettingWatcher watcher(store);
    ASSERT_NE(watcher.Handle(), nullptr);
    system.sets.clear();
    system.values[SPI_GETCONTACTVISUALIZATION] = 1;  // the user switches contacts on
    SendMessageW(watcher.Handle(), WM_SETTINGCHANGE, SPI_SETCONTACTVISUALIZATION, 0);
    EXPECT_EQ(system.sets, (std::vector<std::pair<UINT, DWORD>>{{SPI_SETCONTACTVISUALIZATION, 0}}));
    DWORD saved = 0;
    ASSERT_TRUE(GetDword(HKEY_CURRENT_USER, L"ContactVisualization", saved));
    EXPECT_EQ(saved, 1u);
}

TEST_F(Settings, ValueLeftByAnAbnormalEndIsKeptAndRestored) {
    SetDword(HKEY_CURRENT_USER, L"ContactVisualization", 1);
    system.values[SPI_GETCONTACTVISUALIZATION] = 0;  // still off from the crashed run
    {
        SettingsStore store(0, system);
        DWORD saved = 0;
        ASSERT_TRUE(GetDword(HKEY_CURRENT_USER, L"ContactVisualization", saved));
        EXPECT_EQ(saved, 1u);
    }
    EXPECT_EQ(system.values[SPI_GETCONTACTVISUALIZATION], 1u);
}

TEST_F(Settings, ReadOnlyStoreTouchesNothing) {
    SetDword(HKEY_LOCAL_MACHINE, L"MaxZoom", 4);
    {
        SettingsStore store(1, system);
        EXPECT_EQ(store.Parameters().Text(kParamMaxZoom), L"4");
        system.values[SPI_GETGESTUREVISUALIZATION] = 1;
        store.OnSettingChange(SPI_SETGESTUREVISUALIZATION);
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\Harlowe"));
    }
    EXPECT_TRUE(system.sets.empty());
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\Harlowe")) << "not even an empty key";

    // A value another session saved is left where it is.
    SetDword(HKEY_CURRENT_USER, L"GestureVisualization", 1);
    { SettingsStore store(1, system); }
    DWORD kept = 0;
    EXPECT_TRUE(GetDword(HKEY_CURRENT_USER, L"GestureVisualization", kept));
    EXPECT_EQ(kept, 1u);
    EXPECT_TRUE(system.sets.empty());
}

TEST_F(Settings, OneStorePerProcessUntilReleased) {
    SettingsStore& first = SettingsStore::Obtain(1);
    SettingsStore& again = SettingsStore::Obtain(0);
    EXPECT_EQ(&first, &again);
    SettingsStore::Release();
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\Harlowe")) << "the first call's read-only flag held";
}

}  // namespace
}  // namespace vistrel
