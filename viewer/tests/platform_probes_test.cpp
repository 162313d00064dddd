// The platform probes and the application's mutexes on this platform.
#include <gtest/gtest.h>

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>
#include <knownfolders.h>

#include <string>

#include "CwProcess.h"
#include "viewer/app/PlatformProbes.h"
#include "viewer/framework/Application.h"

namespace vistrel {
namespace {

TEST(PlatformProbes, SystemVersionAndTheSimulatedPanel) {
    // The test prefix runs this program as Windows 10 (wine-win10.reg): a 10 is
    // seen as 10, whatever the compatibility answer.
    EXPECT_EQ(OsMajorVersion(), 10u);
    ASSERT_TRUE(RunningOnWine());
    ASSERT_TRUE(SimulatedPanelSelected()) << "the simulated set-up selects the stand-in";
    const std::wstring name = FindInternalDisplayName();
    ASSERT_FALSE(name.empty());
    ScreenInfo info;
    ASSERT_TRUE(ReadScreenInfo(name, info));
    EXPECT_EQ(info.width, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(info.height, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(info.monitor, (Rect{0, 0, info.width, info.height}));
    EXPECT_EQ(info.rotation, 0);
    EXPECT_FALSE(ReadScreenInfo(L"", info));
    EXPECT_FALSE(ReadScreenInfo(L"\\\\.\\DISPLAY99", info));
    // Wine's own probe finds no internal monitor row.
    EXPECT_TRUE(DeviceNameOfMonitor(L"").empty());
    // Wine has no rotation preference: an old system, not a failure.
    EXPECT_TRUE(PreferLandscape());
}

TEST(PlatformProbes, TabletProbeDisabledBelowVersion10) {
    TabletModeBinding binding;
    EXPECT_TRUE(binding.Bind(nullptr, 9));
    EXPECT_FALSE(binding.Enabled());
    EXPECT_EQ(binding.CurrentMode(), 0);
    EXPECT_EQ(GetModuleHandleW(L"Tavrin_x64.dll"), nullptr) << "not loaded";
    // At 10 it loads, binds and reports a mode; unbinding unloads it.
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(binding.Bind(window, 10));
    EXPECT_TRUE(binding.Enabled());
    EXPECT_NE(binding.Message(), 0u);
    EXPECT_NE(GetModuleHandleW(L"Tavrin_x64.dll"), nullptr);
    const int mode = binding.CurrentMode();
    EXPECT_TRUE(mode == 0 || mode == 1);
    binding.Unbind();
    EXPECT_EQ(GetModuleHandleW(L"Tavrin_x64.dll"), nullptr);
    DestroyWindow(window);
}

TEST(PlatformProbes, VolumeRefusedWhenClosedOrAbove100) {
    SpeakerVolume volume;
    EXPECT_FALSE(volume.SetVolume(50)) << "closed";
    if (volume.Open(nullptr)) {
        EXPECT_FALSE(volume.SetVolume(101));
        EXPECT_TRUE(volume.SetVolume(50));
        volume.Close();
        EXPECT_FALSE(volume.IsOpen());
    }
}

TEST(PlatformProbes, StartupShortcutOnceAndGoneTwice) {
    cwtest::TempDir dir;
    StartupShortcut shortcut(dir.path() + L"\\Vistrel.lnk", cwtest::ExeDir() + L"\\Vistrel.exe");
    EXPECT_FALSE(shortcut.IsRegistered());
    EXPECT_TRUE(shortcut.Unregister()) << "nothing to remove is a success";
    ASSERT_TRUE(shortcut.Register());
    EXPECT_TRUE(shortcut.IsRegistered());
    FILETIME first{};
    {
        WIN32_FILE_ATTRIBUTE_DATA a{};
        ASSERT_TRUE(GetFileAttributesExW(shortcut.Path().c_str(), GetFileExInfoStandard, &a));
        first = a.ftLastWriteTime;
        EXPECT_GT(a.nFileSizeLow, 0u);
    }
    Sleep(20);
    EXPECT_TRUE(shortcut.Register());
    WIN32_FILE_ATTRIBUTE_DATA a{};
    ASSERT_TRUE(GetFileAttributesExW(shortcut.Path().c_str(), GetFileExInfoStandard, &a));
    EXPECT_EQ(CompareFileTime(&first, &a.ftLastWriteTime), 0) << "the second register wrote nothing";
    EXPECT_TRUE(shortcut.Unregister());
    EXPECT_FALSE(shortcut.IsRegistered());
    // The default shortcut: the user's Startup folder and this program's stem.
    PWSTR startup = nullptr;
    ASSERT_TRUE(SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Startup, 0, nullptr, &startup)));
    const std::wstring expected = std::wstring(startup) + L"\\viewer_frame_test.lnk";
    CoTaskMemFree(startup);
    EXPECT_EQ(StartupShortcut().Path(), expected);
}

TEST(ApplicationMutex, OthersMayOnlySeeIt) {
    const wchar_t* name = L"VistrelTestMutex";
    fw::NamedMutex mutex;
    ASSERT_TRUE(mutex.Create(name));
    PSECURITY_DESCRIPTOR sd = nullptr;
    PACL dacl = nullptr;
    ASSERT_EQ(GetSecurityInfo(mutex.Get(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                              nullptr, &sd),
              static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_NE(dacl, nullptr) << "an access list, not a null one";
    // Everyone: wait and read the security, nothing else.
    bool everyone_seen = false;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        ASSERT_TRUE(GetAce(dacl, i, reinterpret_cast<void**>(&ace)));
        PSID sid = &ace->SidStart;
        LPWSTR text = nullptr;
        ASSERT_TRUE(ConvertSidToStringSidW(sid, &text));
        if (std::wstring(text) == L"S-1-1-0") {
            everyone_seen = true;
            EXPECT_EQ(ace->Mask, static_cast<DWORD>(SYNCHRONIZE | READ_CONTROL));
        }
        LocalFree(text);
    }
    EXPECT_TRUE(everyone_seen);
    LocalFree(sd);
    // The handle is not inherited by programs the viewer starts.
    DWORD flags = 0;
    ASSERT_TRUE(GetHandleInformation(mutex.Get(), &flags));
    EXPECT_EQ(flags & HANDLE_FLAG_INHERIT, 0u);
    // A second creator sees it and has not created it.
    fw::NamedMutex again;
    EXPECT_FALSE(again.Create(name));
    mutex.Close();
    again.Close();
    EXPECT_TRUE(again.Create(name)) << "gone with its last handle";
}

}  // namespace
}  // namespace vistrel
