#include "capture/win/VideoInput.h"

#include <wtsapi32.h>

#include "capture/core/Requests.h"
#include "capture/core/Versions.h"
#include "capture/video/win/VideoSupervision.h"
#include "capture/win/Diagnostics.h"
#include "capture/win/LibraryVideoHost.h"

namespace Capwell {

namespace {

constexpr wchar_t kClassName[] = L"Capwell_VideoInput";
constexpr UINT_PTR kSupervisionTimer = Lib::kTimerSupervision;
constexpr UINT_PTR kSettleTimer = Lib::kTimerSettle;
constexpr UINT kTimerMs = 1000;

// String resources of the reports.
constexpr UINT kFirmwareOld = 102, kFirmwareNew = 103, kDriverOld = 104, kDriverNew = 105,
               kDriverNotFound = 106, kDriverApiError = 107;

VideoInput* g_instance = nullptr;

}  // namespace

VideoInput* Instance() { return g_instance; }
void CreateInstance() {
    if (g_instance == nullptr) g_instance = new VideoInput();
}
void DestroyInstance() {
    delete g_instance;
    g_instance = nullptr;
}

VideoInput::VideoInput()
    : state([this](Lib::VideoStateChangedEventArgs args) { OnVideoStateChanged(args); }),
      host_(Lib::MakeLibraryVideoHost(*this)) {
    video = std::make_unique<Lib::VideoSupervision>(*host_, state, [this] { return initialised != 0; });
}

VideoInput::~VideoInput() {
    DestroyHiddenWindow();
    video.reset();  // before the host it drives
}

bool VideoInput::EnsureWindow() {
    if (hwnd_) return true;
    HINSTANCE module = Lib::Diagnostics::Module();
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExW(module, kClassName, &wc)) {
        wc = WNDCLASSEXW{};
        wc.cbSize = sizeof wc;
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = WndProc;
        wc.hInstance = module;
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
        wc.lpszClassName = kClassName;
        if (!RegisterClassExW(&wc)) return false;
    }
    // WM_CREATE takes the window over already, so its first messages find it.
    const HWND window = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, nullptr, nullptr, module, this);
    if (window == nullptr) {
        (void)hwnd_.Release();  // destroyed by the system when its creation failed
        return false;
    }
    if (hwnd_.Get() != window) hwnd_.Reset(window);
    return true;
}

void VideoInput::DestroyHiddenWindow() {
    if (!hwnd_) return;
    if (session_registered_) WTSUnRegisterSessionNotification(hwnd_.Get());
    session_registered_ = false;
    if (timer2) KillTimer(hwnd_.Get(), kSettleTimer);
    timer2 = 0;
    hwnd_.Reset();
    UnregisterClassW(kClassName, Lib::Diagnostics::Module());
}

LRESULT CALLBACK VideoInput::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<VideoInput*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self != nullptr) {
        if (msg == WM_CREATE) {
            self->hwnd_.Reset(hwnd);
            self->message = RegisterWindowMessageW(CPW_NOTIFY_MESSAGE_NAME);
            self->session_registered_ = WTSRegisterSessionNotification(hwnd, NOTIFY_FOR_THIS_SESSION) != FALSE;
        } else {
            self->Handle(msg, wp, lp);
        }
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT VideoInput::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_TIMER:
        if (wp == kSupervisionTimer && initialised) video->Control().OnSupervisionTimer();
        if (wp == kSettleTimer) video->Control().OnSettleTimer();
        break;
    case WM_DISPLAYCHANGE: video->Control().OnDisplayChange(initialised != 0); break;
    case WM_POWERBROADCAST: video->OnPowerBroadcast(wp, lp); break;
    case WM_WTSSESSION_CHANGE: video->OnSessionChange(wp); break;
    default: break;
    }
    return 0;
}

void VideoInput::Notify(uint32_t code) {
    if (client != nullptr && IsWindow(client)) SendMessageW(client, message, code, 0);
}

void VideoInput::ReprobeDisplay() {
    Lib::Probes::DisplayInfo d{display_name, display_size[0], display_size[1], display_angle};
    Lib::Probes::ProbeDisplay(d);
    display_name = d.name;
    display_size[0] = d.width;
    display_size[1] = d.height;
    display_angle = d.angle;
    if (manager != nullptr) {
        Lib::Requests::Display(manager->Queue(), display_size[0], display_size[1]);
        Lib::Requests::Angle(manager->Queue(), display_angle);
    }
}

void VideoInput::OnVideoStateChanged(Lib::VideoStateChangedEventArgs args) {
    if (video) video->Control().OnVideoStateChanged(args);
}

CpwResult VideoInput::Initialize(const CpwInitParams& p) {
    if (p.name[0] == 0 || p.interval < 1 || p.interval > 1000 || p.audio_delay < 2 ||
        p.audio_delay > 160 || p.wdt_interval < 1 || p.wdt_interval > 10000 ||
        p.wdt_err_count < 1 || p.wdt_err_count > 10)
        return CPW_E_PARAM;
    if (initialised) return CPW_OK;

    ReprobeDisplay();
    reserved = p.reserved;

    std::wstring name(p.name, wcsnlen(p.name, CPW_NAME_UNITS));
    manager = Lib::InputManager::Create(p.api_log != 0, name);
    if (manager == nullptr) return CPW_E_DEVICE;

    // From here a failure shuts the session down again, so that no bridge
    // session or worker outlives a failed start.
    auto fail = [this](CpwResult r) {
        manager.reset();
        return r;
    };

    uint32_t firmware = 0;
    if (!manager->ReadFirmware(firmware)) return fail(CPW_E_START);
    switch (Lib::CheckFirmware(firmware)) {
    case Lib::VersionCheck::kOld: Lib::Diagnostics::ReportResource(kFirmwareOld); return fail(CPW_E_FIRMWARE);
    case Lib::VersionCheck::kNew: Lib::Diagnostics::ReportResource(kFirmwareNew); return fail(CPW_E_FIRMWARE);
    case Lib::VersionCheck::kOk: break;
    }

    std::wstring text;
    const int found = Lib::Probes::FindDriverVersion(Lib::Probes::ControllerHardwareId(), text);
    if (found == 1) {
        Lib::Diagnostics::ReportResource(kDriverNotFound);
        return fail(CPW_E_START);
    }
    uint32_t driver = 0;
    if (found != 0 || !Lib::ParseVersion(text, driver)) {
        Lib::Diagnostics::ReportResource(kDriverApiError);
        return fail(CPW_E_START);
    }
    switch (Lib::CheckDriver(driver)) {
    case Lib::VersionCheck::kOld: Lib::Diagnostics::ReportResource(kDriverOld); return fail(CPW_E_DRIVER);
    case Lib::VersionCheck::kNew: Lib::Diagnostics::ReportResource(kDriverNew); return fail(CPW_E_DRIVER);
    case Lib::VersionCheck::kOk: break;
    }

    if (!manager->StartPlane(display_size[0], display_size[1], p.interval, p.audio_delay,
                             p.wdt_interval, p.wdt_err_count))
        return fail(CPW_E_START);
    const uint32_t input = manager->ReadHdmi(nullptr);
    if (input == Lib::kHdmiError) return fail(CPW_E_START);

    Lib::Requests::StageEnables(manager->Queue());
    if (!timer1) timer1 = SetTimer(hwnd_.Get(), kSupervisionTimer, kTimerMs, nullptr);
    initialised = 1;
    HMODULE self = nullptr;
    if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                           reinterpret_cast<LPCWSTR>(reinterpret_cast<const void*>(&Instance)), &self))
        pin_.Reset(self);

    const uint32_t input_event = input == Lib::kHdmiSignal   ? Lib::EV_SIGNAL
                                 : input == Lib::kHdmiCableLost ? Lib::EV_CABLE_LOST
                                                                 : Lib::EV_NO_SIGNAL;
    Post({Lib::EV_INIT_DONE, input_event});
    return CPW_OK;
}

CpwResult VideoInput::Finalize() {
    if (initialised) {
        if (timer1) KillTimer(hwnd_.Get(), kSupervisionTimer);
        timer1 = 0;
        client = nullptr;
        manager.reset();
        initialised = 0;
        DestroyHiddenWindow();
        // The client's own reference keeps the image while this returns.
        pin_.Reset();
    }
    return CPW_OK;
}

}  // namespace Capwell
