#include "viewer/app/MainFrame.h"

#include <wtsapi32.h>

#include <cstring>
#include <vector>

#include "viewer/app/Notificators.h"
#include "viewer/app/SettingsStore.h"
#include "viewer/app/StillSaver.h"
#include "viewer/app/VideoInputDetector.h"
#include "viewer/core/FrameGeometry.h"
#include "viewer/core/PlayCode.h"
#include "viewer/controls/VersionDialog.h"
#include "viewer/core/ViewGeometry.h"
#include "viewer/framework/Resources.h"
#include "viewer/res/resource.h"
#include "viewer/views/Splitters.h"

namespace vistrel {

namespace {

constexpr UINT kTabletQuerySystemGestureStatus = 0x02CC;  // WM_TABLET_QUERYSYSTEMGESTURESTATUS
constexpr WPARAM kSessionConsoleDisconnect = 2;         // WTS_CONSOLE_DISCONNECT
constexpr WPARAM kSessionLogoff = 6;                    // WTS_SESSION_LOGOFF
constexpr WPARAM kSessionLock = 7;                      // WTS_SESSION_LOCK
constexpr int kCinemaWidth = 4096;
constexpr int kCinemaHeight = 2160;
constexpr UINT kWatchdogInterval = 2000;
constexpr UINT kWatchdogErrorCount = 5;

// The window class lives as long as the program.
fw::RegisteredClass g_main_class;

RECT ToRECT(const Rect& r) noexcept { return RECT{r.left, r.top, r.right, r.bottom}; }

bool SameHdmi(const CpwHdmiInfo& a, const CpwHdmiInfo& b) noexcept {
    return a.status == b.status && a.detect_hdcp == b.detect_hdcp && a.bit_depth == b.bit_depth &&
           a.format == b.format && a.fps == b.fps && a.scan == b.scan && a.height == b.height && a.width == b.width;
}

// The platform's border around a client area for a style.
FrameBorder BorderOf(HWND hwnd) noexcept {
    RECT r{0, 0, 0, 0};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_EXSTYLE)));
    return FrameBorder{r.right - r.left, r.bottom - r.top};
}

}  // namespace

CVideoInputFrame::CVideoInputFrame(int already_running, std::wstring& internal_display)
    : already_running_(already_running),
      internal_display_(internal_display),
      layout_(std::make_unique<CVideoSplitterWnd>()),
      last_input_(GetTickCount64()) {
    parameters_ = &SettingsStore::Obtain(already_running).Parameters();
    display_info_.zoom = 1.0;
    display_info_.center_x = 0.5;
    display_info_.center_y = 0.5;
    auto& detector = Pelmora::Lib::Overlap::VideoInputDetector::Get();
    detector.SetDetectionOn(parameters_->Int(kParamDetect));
    detector.SetListener([this](Pelmora::Lib::Overlap::DetectChangedEventArgs e) {
        detect_state_.value = e.covered != 0 ? 1 : 0;
        Apply({&detect_state_});
    });
}

CVideoInputFrame::~CVideoInputFrame() {
    SettingsStore::Release();
    (void)Cpw_Finalize();
    Pelmora::Lib::Overlap::VideoInputDetector::Release();
    layout_.reset();
}

LPCWSTR CVideoInputFrame::RegisterMainClass() noexcept {
    // A plain class: no class style, cursor, background brush or icon.
    if (g_main_class.Atom() == 0) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &fw::Window::StaticWndProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kMainWindowClass;
        if (!g_main_class.Register(wc)) return nullptr;
    }
    return kMainWindowClass;
}

bool CVideoInputFrame::LoadFrame(DWORD style) {
    LPCWSTR cls = RegisterMainClass();
    if (cls == nullptr) return false;
    const std::wstring title = fw::LoadResString(IDS_APP_TITLE);
    HWND hwnd = nullptr;
    {
        fw::CreationScope scope(this);
        // No menu and no client edge.
        hwnd = CreateWindowExW(0, cls, title.c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    if (hwnd == nullptr || Handle() != hwnd) return false;
    MarkCreated();
    self_owned_ = true;
    return true;
}

void CVideoInputFrame::PreTranslate(const MSG& msg) {
    switch (msg.message) {
        case WM_KEYUP:
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP: last_input_ = GetTickCount64(); break;
        case WM_MOUSEMOVE: {
            const POINT p{static_cast<short>(LOWORD(msg.lParam)), static_cast<short>(HIWORD(msg.lParam))};
            if (p.x == last_mouse_.x && p.y == last_mouse_.y) return;
            last_mouse_ = p;
            last_input_ = GetTickCount64();
            break;
        }
        default: return;
    }
    ShowControlsAfterIdle();
}

LRESULT CVideoInputFrame::HandleMessage(UINT msg, WPARAM w, LPARAM l) {
    if (notify_message_ != 0 && msg == notify_message_) return OnCaptureNotify(w, l);
    if (tablet_.Message() != 0 && msg == tablet_.Message()) {
        RunTabletModeBatch();
        return DefaultProc(msg, w, l);
    }
    switch (msg) {
        case WM_CREATE: return OnCreate(w, l);
        case WM_DESTROY: return OnDestroy(w, l);
        case WM_TIMER: return OnTimer(static_cast<UINT_PTR>(w));
        case WM_SIZE: return OnSize(w, l);
        case WM_MOVE: return OnMove(w, l);
        case WM_GETMINMAXINFO: return OnGetMinMaxInfo(w, l);
        case WM_STYLECHANGED: return OnStyleChanged(w, l);
        case WM_SYSCOMMAND: return OnSysCommand(w, l);
        case WM_DISPLAYCHANGE: return OnDisplayChange(w, l);
        case WM_POWERBROADCAST: return OnPowerBroadcast(w, l);
        case WM_WTSSESSION_CHANGE: return OnSessionChange(w, l);
        case WM_SETTINGCHANGE: return OnSettingChange(w, l);
        case WM_QUERYENDSESSION: Destroy(); return TRUE;
        case WM_ENDSESSION: DefaultProc(msg, w, l); Destroy(); return 0;
        case WM_ENTERSIZEMOVE: DetectorSetEnabled(0); return DefaultProc(msg, w, l);
        case WM_EXITSIZEMOVE: DetectorSetEnabled(1); return DefaultProc(msg, w, l);
        case kTabletQuerySystemGestureStatus: return 0;
        case msg::kContinue: return OnContinue();
        case msg::kScreenMode: return OnScreenModeMessage(static_cast<int>(w), static_cast<int>(l));
        case msg::kStatusChanging:
            return OnStatusChanging(*reinterpret_cast<const ViewStatus*>(w), *reinterpret_cast<const ViewStatus*>(l));
        case msg::kStatusChanged:
            return OnStatusChanged(*reinterpret_cast<const ViewStatus*>(w), *reinterpret_cast<const ViewStatus*>(l));
        case msg::kSaveErrorClosed: save_capture_error_state_.value = 0; Apply({&save_capture_error_state_}); return 0;
        default: break;
    }
    return FrameWindow::HandleMessage(msg, w, l);
}

LRESULT CVideoInputFrame::OnCreate(WPARAM w, LPARAM l) {
    // The framework's creation runs the client creation (OnCreateClient).
    if (FrameWindow::HandleMessage(WM_CREATE, w, l) == -1) return -1;
    icon_.Reset(static_cast<HICON>(
        LoadImageW(fw::ResourceInstance(), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)));
    if (screen_mode_state_.value == 1) SetIcons();
    SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    power_notify_.Reset(RegisterPowerSettingNotification(Handle(), &GUID_MONITOR_POWER_ON, DEVICE_NOTIFY_WINDOW_HANDLE));
    if (!awake_timer_.Running()) (void)awake_timer_.Start(Handle(), kAwakeTimerId, kAwakeTimerMs);
    session_registered_ = WTSRegisterSessionNotification(Handle(), NOTIFY_FOR_THIS_SESSION) != FALSE;
    return 0;
}

bool CVideoInputFrame::OnCreateClient(const CREATESTRUCTW& cs) {
    if (!FrameWindow::OnCreateClient(cs)) return false;
    std::vector<BaseChangedState*> batch;

    internal_display_ = find_display_();
    if (!ReadScreen()) {
        internal_error_state_.value = 1;
        batch.push_back(&internal_error_state_);
    }

    if (HMENU menu = GetSystemMenu(Handle(), FALSE)) {
        const std::wstring text = fw::LoadResString(IDS_VERSION_MENU);
        InsertMenuW(menu, 0, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
        InsertMenuW(menu, 0, MF_BYPOSITION | MF_STRING, kVersionCommand, text.c_str());
        DrawMenuBar(Handle());
    }

    accessors_.get = &Cpw_GetCaptureData;
    accessors_.release = &Cpw_ReleaseCaptureData;

    ViewInitArgs args;
    args.parameters = parameters_;
    args.screen_mode = this;
    args.play = this;
    args.detect = this;
    args.get_capture_data = accessors_.get;
    args.release_capture_data = accessors_.release;
    if (!layout_->CreatePanes(*this, display_info_.screen) || !layout_->CreateViews(args)) return false;
    layout_->UpdateRowSizes();
    layout_->UpdateColumnSizes();
    layout_->RecalcLayout();
    layout_->RecalcLayout();
    resolver_.SetWindows(layout_->Handle(), Handle(), Handle());
    PushDisplayInfo();

    if (!PreferLandscape()) {
        internal_error_state_.value = 1;
        batch.push_back(&internal_error_state_);
    } else {
        already_proc_state_.value = already_running_;
        batch.push_back(&already_proc_state_);
        if (already_running_ == 0) {
            StartLibrary(batch);
            if (!tablet_.Bind(Handle())) {
                internal_error_state_.value = 1;
                batch.push_back(&internal_error_state_);
            }
        }
    }

    screen_mode_state_.value = tablet_.CurrentMode() == 1 ? 1 : 0;
    resize_state_.value = 1;
    batch.push_back(&screen_mode_state_);
    batch.push_back(&resize_state_);
    resolver_.Apply(std::span<BaseChangedState* const>(batch.data(), batch.size()));

    RunTabletModeBatch();
    detect_pause_state_.value = 0;
    Apply({&detect_pause_state_});
    return true;
}

void CVideoInputFrame::StartLibrary(std::vector<BaseChangedState*>& batch) {
    CpwInitParams params{};
    const std::wstring title = fw::LoadResString(IDS_APP_TITLE);
    title.copy(params.name, CPW_NAME_UNITS - 1);
    params.interval = static_cast<std::uint16_t>(parameters_->Int(kParamExecutionInterval));
    params.audio_delay = static_cast<std::uint16_t>(parameters_->Int(kParamAudioDelay));
    params.wdt_interval = kWatchdogInterval;
    params.wdt_err_count = kWatchdogErrorCount;
    params.reserved = 0;
    params.api_log = static_cast<std::uint32_t>(parameters_->Int(kParamApiLog));

    const CpwResult result = Cpw_Initialize(&params);
    if (result == CPW_E_FIRMWARE) {
        firm_ver_checked_state_.value = 1;
        batch.push_back(&firm_ver_checked_state_);
        return;
    }
    if (result == CPW_E_DRIVER) {
        driver_ver_checked_state_.value = 1;
        batch.push_back(&driver_ver_checked_state_);
        return;
    }
    if (result != CPW_OK) {
        internal_error_state_.value = 1;
        batch.push_back(&internal_error_state_);
        return;
    }
    firm_ver_checked_state_.value = 0;
    driver_ver_checked_state_.value = 0;
    show_transition_state_.value = 1;
    batch.push_back(&firm_ver_checked_state_);
    batch.push_back(&driver_ver_checked_state_);
    batch.push_back(&show_transition_state_);

    if (!ReadHdmiInfo()) {
        internal_error_state_.value = 1;
        batch.push_back(&internal_error_state_);
        return;
    }
    // Reads the default twelve-axis values and restores the selected presets
    // (they apply themselves, write the selection file and broadcast).
    presets_.Start();
    std::uint32_t code = 0;
    if (Cpw_RegisterNotifyWindowMessage(Handle()) != CPW_OK || Cpw_GetNotifyWindowMessageCode(&code) != CPW_OK) {
        internal_error_state_.value = 1;
        batch.push_back(&internal_error_state_);
    } else {
        notify_message_ = code;
    }
}

bool CVideoInputFrame::ReadScreen() {
    ScreenInfo info;
    if (ReadScreenInfo(internal_display_, info) && info.width != 0 && info.height != 0) {
        display_info_.screen = info;
        return true;
    }
    ScreenInfo fallback;
    fallback.width = 1280;
    fallback.height = 1024;
    fallback.monitor = Rect{0, 0, 1280, 1024};
    fallback.work = Rect{0, 0, 1280, 1024};
    display_info_.screen = fallback;
    return false;
}

bool CVideoInputFrame::ReadHdmiInfo() {
    CpwHdmiInfo info{};
    if (Cpw_GetHdmiInfo(&info) != CPW_OK) return false;
    if (!SameHdmi(info, hdmi_)) {
        hdmi_ = info;
        video_width_ = info.width;
        video_height_ = info.height;
        HdmiInfoChangedNotificator::Broadcast(&hdmi_);
    }
    return true;
}

void CVideoInputFrame::ApplyHdmiBatch() {
    const bool had_no_size = video_width_ == 0 && video_height_ == 0;
    const int old_width = video_width_;
    const int old_height = video_height_;
    const bool read = ReadHdmiInfo();
    hdmi_connect_state_.value = read ? static_cast<std::int32_t>(hdmi_.status) : 3;
    Apply({&hdmi_connect_state_});
    // A format change without a signal loss leaves the status as it was, so
    // nothing would refit the picture to its new aspect.
    if (read && !had_no_size && (video_width_ != old_width || video_height_ != old_height)) Relayout();
    if (read && hdmi_.status == 0 && had_no_size && (video_width_ != 0 || video_height_ != 0)) {
        resize_state_.value = 1;
        show_transition_state_.value = 1;
        Apply({&resize_state_, &show_transition_state_});
    }
}

LRESULT CVideoInputFrame::OnCaptureNotify(WPARAM w, LPARAM l) {
    switch (w) {
        case CPW_NOTIFY_HDMI: ApplyHdmiBatch(); break;
        case CPW_NOTIFY_WATCHDOG:
        case CPW_NOTIFY_POWER:
            internal_error_state_.value = 1;
            Apply({&internal_error_state_});
            break;
        case CPW_NOTIFY_STATE: {
            CpwVideoState state{};
            if (Cpw_GetState(&state) == CPW_OK) {
                video_play_state_.value =
                    state.available != 0
                        ? EncodePlayCode(PlayTriple{static_cast<std::int32_t>(state.mode),
                                                    static_cast<std::int32_t>(state.video),
                                                    static_cast<std::int32_t>(state.audio)})
                        : kPlayCodeStopped;
                Apply({&video_play_state_});
            }
            break;
        }
        default: break;
    }
    return DefaultProc(notify_message_, w, l);
}

LRESULT CVideoInputFrame::OnContinue() {
    const int old_width = video_width_;
    const int old_height = video_height_;
    std::vector<BaseChangedState*> batch;
    if (ReadHdmiInfo() && (video_width_ != 0 || video_height_ != 0) &&
        (video_width_ != old_width || video_height_ != old_height)) {
        resize_state_.value = 1;
        batch.push_back(&resize_state_);
    }
    suspend_state_.value = 0;
    show_transition_state_.value = 1;
    batch.push_back(&suspend_state_);
    batch.push_back(&show_transition_state_);
    resolver_.Apply(std::span<BaseChangedState* const>(batch.data(), batch.size()));
    return 0;
}

void CVideoInputFrame::RunTabletModeBatch() {
    const bool was_full_screen = full_screen_;
    tablete_mode_state_.value = tablet_.CurrentMode();
    display_info_.tablet = tablete_mode_state_.value;
    Apply({&tablete_mode_state_});
    if (tablete_mode_state_.value == 1 && was_full_screen) {
        ShowWindow(Handle(), SW_MINIMIZE);
        SetForegroundWindow(Handle());
    }
    ResetZoom();
}

void CVideoInputFrame::ResetZoom() {
    display_info_.zoom = 1.0;
    display_info_.center_x = 0.5;
    display_info_.center_y = 0.5;
    (void)Cpw_ResetZoomVideo();
    PushDisplayInfo();
}

int CVideoInputFrame::Scale(int design) const noexcept { return ScaleToScreen(design, display_info_.screen); }

void CVideoInputFrame::PushDisplayInfo() {
    display_info_.full_screen = full_screen_ ? 1 : 0;
    if (layout_ && layout_->IsWindow()) layout_->OnDisplayInfoChanged(display_info_);
}

void CVideoInputFrame::Relayout() {
    (void)ReadScreen();
    if (!layout_ || !layout_->IsWindow()) return;
    const Rect pane = layout_->GetDisplayRect();
    Rect video = FitVideo(pane, video_width_, video_height_);
    const int rotation = display_info_.screen.rotation;
    if (full_screen_ && (rotation == 0 || rotation == 180) && parameters_->Int(kParamCinemaResolDotByDot) == 1 &&
        video_width_ == kCinemaWidth && video_height_ == kCinemaHeight) {
        video = CentreIn(pane, Size{Scale(kCinemaWidth), Scale(kCinemaHeight)});
    }
    display_info_.video = video;
    PushDisplayInfo();
    if (layout_->TargetKey() == KindVideo) {
        const RECT position = ToRECT(RelativeTo(video, display_info_.screen.monitor));
        (void)Cpw_SetVideoPosition(&position);
    }
}

void CVideoInputFrame::ApplyPlayCode(int code, int old_code) {
    const PlayTriple triple = DecodePlayCode(code);
    Relayout();
    if (display_info_.zoom == 1.0) {
        display_info_.center_x = 0.5;
        display_info_.center_y = 0.5;
    }
    PushDisplayInfo();
    DetectorVideoFlag(triple.video, DecodePlayCode(old_code).video != triple.video);
    (void)Cpw_SetState(static_cast<std::uint32_t>(triple.mode), static_cast<std::uint32_t>(triple.video),
                       static_cast<std::uint32_t>(triple.audio));
}

LRESULT CVideoInputFrame::OnStatusChanging(const ViewStatus& old_status, const ViewStatus& new_status) {
    DetectorStopTimer();
    if (old_status.screenMode != new_status.screenMode) Send(WM_SETREDRAW, FALSE, 0);
    return 0;
}

LRESULT CVideoInputFrame::OnScreenModeMessage(int mode, int resize) {
    ApplyScreenMode(mode);
    if (resize == 1) RefitToVideo();
    return 0;
}

LRESULT CVideoInputFrame::OnStatusChanged(const ViewStatus& old_status, const ViewStatus& new_status) {
    // A new screen shows the controls as the state machine has them: the
    // switch did so already unless neither the kind nor the flag changed.
    if (idle_hidden_) {
        idle_hidden_ = false;
        if (old_status.displayKind == new_status.displayKind && old_status.controlsVisible == new_status.controlsVisible)
            layout_->SwitchTarget(new_status.displayKind, new_status.controlsVisible);
    }
    Relayout();
    if (new_status.detectionActive == 1 && !Minimised()) DetectorStartTimer();
    if (old_status.playCode != new_status.playCode) ApplyPlayCode(new_status.playCode, old_status.playCode);
    RunDisplayKindTimers(old_status, new_status);
    if (old_status.screenMode != new_status.screenMode) {
        Send(WM_SETREDRAW, TRUE, 0);
        RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
        InvalidateRect(Handle(), nullptr, TRUE);
        UpdateWindow(Handle());
    }
    return 0;
}

void CVideoInputFrame::RunDisplayKindTimers(const ViewStatus& old_status, const ViewStatus& new_status) {
    const int kind = new_status.displayKind;
    if (kind == KindVideo && full_screen_) {
        if (!idle_timer_.Running()) {
            (void)idle_timer_.Start(Handle(), kIdleTimerId, kIdleTimerMs);
            last_input_ = GetTickCount64();
        }
    } else {
        idle_timer_.Stop();
    }
    // The blank and the transition are timed from the moment they appear.
    if (kind == old_status.displayKind) return;
    if (kind == KindDisplayChanged) (void)display_changed_timer_.Start(Handle(), kDisplayChangedTimerId, kDisplayChangedTimerMs);
    if (kind == KindTransition) (void)transition_timer_.Start(Handle(), kTransitionTimerId, kTransitionTimerMs);
}

LRESULT CVideoInputFrame::OnTimer(UINT_PTR id) {
    switch (id) {
        case kIdleTimerId: OnIdleTimer(); break;
        case kAwakeTimerId: OnAwakeTimer(); break;
        case kDisplayChangedTimerId: OnDisplayChangedTimer(); break;
        case kTransitionTimerId: OnTransitionTimer(); break;
        case kDetectPauseTimerId: OnDetectPauseTimer(); break;
        default: return DefaultProc(WM_TIMER, id, 0);
    }
    return 0;
}

// Only the layout hides the controls for idleness. The state machine's
// ControlHideState is the user's "hide the menu until restarting": it closes
// the setting view, leaves pause and the waveform, and nothing undoes it, so
// held after a pause in the input it blanked the bar and the caption at the
// next screen switch for good (live video then looked like a blank screen).
void CVideoInputFrame::OnIdleTimer() {
    if (idle_hidden_ || GetTickCount64() - last_input_ < kIdleHideMs) return;
    const ViewStatus& s = resolver_.Status();
    if (s.displayKind != KindVideo || s.controlsVisible == 0 || s.settingViewVisible != 0) return;
    layout_->SwitchTarget(s.displayKind, 0);
    idle_hidden_ = true;
}

void CVideoInputFrame::ShowControlsAfterIdle() {
    if (!idle_hidden_) return;
    idle_hidden_ = false;
    const ViewStatus& s = resolver_.Status();
    layout_->SwitchTarget(s.displayKind, s.controlsVisible);
}

void CVideoInputFrame::OnAwakeTimer() { SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED); }

void CVideoInputFrame::OnDisplayChangedTimer() {
    display_changed_timer_.Stop();
    display_setting_changed_state_.value = 0;
    show_transition_state_.value = 1;
    Apply({&display_setting_changed_state_, &show_transition_state_});
}

void CVideoInputFrame::OnTransitionTimer() {
    transition_timer_.Stop();
    ApplyHdmiBatch();
    std::vector<BaseChangedState*> batch;
    int covered = 0;
    if (hdmi_connect_state_.value == 0 && !Minimised() && DetectorLatest(covered)) {
        detect_state_.value = covered;
        batch.push_back(&detect_state_);
    }
    OnZoomChanged(Rect{}, nullptr, 1.0);
    show_transition_state_.value = 0;
    batch.push_back(&show_transition_state_);
    resolver_.Apply(std::span<BaseChangedState* const>(batch.data(), batch.size()));
}

void CVideoInputFrame::OnDetectPauseTimer() {
    detect_pause_state_.value = 0;
    Apply({&detect_pause_state_});
    detect_pause_timer_.Stop();
}

LRESULT CVideoInputFrame::OnSize(WPARAM w, LPARAM l) {
    const LRESULT r = FrameWindow::HandleMessage(WM_SIZE, w, l);
    const int before = size_state_;
    if (w == SIZE_RESTORED) size_state_ = kSizeRestored;
    else if (w == SIZE_MINIMIZED) size_state_ = kSizeMinimised;
    else if (w == SIZE_MAXIMIZED) size_state_ = kSizeMaximised;
    if (size_state_ != before) {
        if (size_state_ == kSizeMinimised) DetectorStopTimer();
        else if (before == kSizeMinimised && resolver_.Status().detectionActive == 1) DetectorStartTimer();
        if (size_state_ == kSizeMaximised || before == kSizeMaximised) {
            detect_pause_state_.value = 1;
            Apply({&detect_pause_state_});
            (void)detect_pause_timer_.Start(Handle(), kDetectPauseTimerId, kDetectPauseTimerMs);
        }
    }
    Relayout();
    return r;
}

LRESULT CVideoInputFrame::OnMove(WPARAM w, LPARAM l) {
    DefaultProc(WM_MOVE, w, l);
    Relayout();
    DetectorMoved(POINT{static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))});
    return 0;
}

LRESULT CVideoInputFrame::OnGetMinMaxInfo(WPARAM w, LPARAM l) {
    RECT window{};
    GetWindowRect(Handle(), &window);
    if (window.right - window.left > 0 && window.bottom - window.top > 0 && layout_ && layout_->IsWindow()) {
        const ScreenInfo& screen = layout_->GetDisplayInfo().screen;
        const int bars = ScaleToScreen(kControllerBarDesign, screen) +
                         (full_screen_ ? ScaleToScreen(kCaptionBarDesign, screen) : 0);
        const Size client = MinimumClient(ScaleToScreen(kMinClientWidthDesign, screen),
                                          ScaleToScreen(kMinClientHeightDesign, screen), bars);
        RECT r{0, 0, client.width, client.height};
        AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_EXSTYLE)));
        auto* info = reinterpret_cast<MINMAXINFO*>(l);
        info->ptMinTrackSize = POINT{r.right - r.left, r.bottom - r.top};
    }
    return DefaultProc(WM_GETMINMAXINFO, w, l);
}

LRESULT CVideoInputFrame::OnStyleChanged(WPARAM w, LPARAM l) {
    if (static_cast<int>(w) == GWL_STYLE) {
        const auto* change = reinterpret_cast<const STYLESTRUCT*>(l);
        if (((change->styleOld ^ change->styleNew) & WS_POPUP) != 0) {
            full_screen_ = (change->styleNew & WS_POPUP) != 0;
            PushDisplayInfo();
        }
    }
    return DefaultProc(WM_STYLECHANGED, w, l);
}

LRESULT CVideoInputFrame::OnSysCommand(WPARAM w, LPARAM l) {
    const UINT command = static_cast<UINT>(w & 0xFFF0);
    if (static_cast<UINT>(w) == kVersionCommand) {
        ShowVersionDialog();
        return 0;
    }
    if (command == SC_KEYMENU) return 0;
    if (command == SC_RESTORE && full_screen_) {
        screen_mode_state_.value = 1;
        Apply({&screen_mode_state_});
    }
    return DefaultProc(WM_SYSCOMMAND, w, l);
}

LRESULT CVideoInputFrame::OnDisplayChange(WPARAM w, LPARAM l) {
    (void)ReadScreen();
    if (!Minimised()) {
        display_setting_changed_state_.value = 1;
        Apply({&display_setting_changed_state_});
    }
    Relayout();
    return DefaultProc(WM_DISPLAYCHANGE, w, l);
}

LRESULT CVideoInputFrame::OnPowerBroadcast(WPARAM w, LPARAM l) {
    switch (w) {
        case PBT_APMSUSPEND:
        case PBT_APMSTANDBY:
            suspend_state_.value = 1;
            Apply({&suspend_state_});
            PowerChangedNotificator::Broadcast(2);
            Sleep(kSuspendAnswerDelayMs);
            break;
        case PBT_APMRESUMESUSPEND:
        case PBT_APMRESUMESTANDBY:
            if (parameters_->Int(kParamDetect) == 0 && full_screen_)
                SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            PowerChangedNotificator::Broadcast(1);
            break;
        case PBT_POWERSETTINGCHANGE: {
            const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(l);
            if (setting != nullptr && setting->DataLength >= 1 && setting->Data[0] == 0) {
                suspend_state_.value = 1;
                Apply({&suspend_state_});
            }
            break;
        }
        default: break;
    }
    return TRUE;
}

LRESULT CVideoInputFrame::OnSessionChange(WPARAM w, LPARAM l) {
    if (w == kSessionConsoleDisconnect || w == kSessionLock) {
        suspend_state_.value = 1;
        Apply({&suspend_state_});
    } else if (w == kSessionLogoff) {
        Destroy();
        return 0;
    }
    return DefaultProc(WM_WTSSESSION_CHANGE, w, l);
}

LRESULT CVideoInputFrame::OnSettingChange(WPARAM w, LPARAM l) {
    const LRESULT r = DefaultProc(WM_SETTINGCHANGE, w, l);
    SettingsStore::Obtain(already_running_).OnSettingChange(static_cast<UINT>(w));
    return r;
}

LRESULT CVideoInputFrame::OnDestroy(WPARAM w, LPARAM l) {
    idle_timer_.Stop();
    DetectorStopTimer();
    if (layout_) {
        layout_->DestroyPanes();
        layout_->Destroy();
    }
    SetThreadExecutionState(ES_CONTINUOUS);
    tablet_.Unbind();
    if (session_registered_) WTSUnRegisterSessionNotification(Handle());
    session_registered_ = false;
    power_notify_.Reset();
    return FrameWindow::HandleMessage(WM_DESTROY, w, l);
}

void CVideoInputFrame::SetIcons() {
    if (icon_.Get() == nullptr) return;
    Send(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.Get()));
    Send(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_.Get()));
    icon_pending_ = false;
}

void CVideoInputFrame::CentreOnWorkArea() {
    RECT window{};
    GetWindowRect(Handle(), &window);
    const Point p = CentreOnWork(display_info_.screen.work, Size{window.right - window.left, window.bottom - window.top});
    SetWindowPos(Handle(), nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CVideoInputFrame::ApplyScreenMode(int mode) {
    if ((mode == 0 && full_screen_) || (mode == 1 && !full_screen_)) return;
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_STYLE));
    if (mode == 0) {
        const Rect& monitor = display_info_.screen.monitor;
        RECT window{};
        GetWindowRect(Handle(), &window);
        const bool virtual_is_monitor = GetSystemMetrics(SM_CXVIRTUALSCREEN) == monitor.Width() &&
                                        GetSystemMetrics(SM_CYVIRTUALSCREEN) == monitor.Height();
        const bool inside = window.left > monitor.left && window.top > monitor.top && window.right < monitor.right &&
                            window.bottom < monitor.bottom;
        if (!virtual_is_monitor && !inside) CentreOnWorkArea();
        SetWindowLongPtrW(Handle(), GWL_STYLE, static_cast<LONG_PTR>((style & ~kFullScreenRemoved) | WS_POPUP));
        ShowWindow(Handle(), SW_SHOWMAXIMIZED);
        UpdateWindow(Handle());
    } else if (mode == 1) {
        SetWindowLongPtrW(Handle(), GWL_STYLE, static_cast<LONG_PTR>((style & ~static_cast<DWORD>(WS_POPUP)) | kFrameStyle));
        ShowWindow(Handle(), SW_RESTORE);
        UpdateWindow(Handle());
        if (icon_pending_) SetIcons();
    }
}

void CVideoInputFrame::RefitToVideo() {
    if (IsZoomed(Handle()) && !full_screen_) ShowWindow(Handle(), SW_RESTORE);
    const int bars = Scale(kControllerBarDesign) + (full_screen_ ? Scale(kCaptionBarDesign) : 0);
    const Refit fit =
        RefitWindow(Size{video_width_, video_height_}, bars, BorderOf(Handle()), display_info_.screen.work);
    SetWindowPos(Handle(), nullptr, 0, 0, fit.window.width, fit.window.height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    CentreOnWorkArea();
    RecalcLayout();
}

void CVideoInputFrame::ShowVersionDialog() {
    CpwVersion driver{};
    CpwVersion firmware{};
    CpwVersion api{};
    (void)Cpw_GetDriverVersion(&driver);
    (void)Cpw_GetFirmwareVersion(&firmware);
    (void)Cpw_GetApiVersion(&api);
    // The dialog takes each version as its four 16-bit fields in memory order, as the record holds them.
    const auto packed = [](const CpwVersion& v) {
        static_assert(sizeof(CpwVersion) == sizeof(std::uint64_t));
        std::uint64_t value = 0;
        std::memcpy(&value, &v, sizeof value);
        return value;
    };
    VersionDialog dialog(packed(driver), packed(firmware), packed(api));
    (void)dialog.DoModal(Handle());
}

// IVideoPlayListner

void CVideoInputFrame::OnDisplayResized() { Relayout(); }

void CVideoInputFrame::OnZoomChanged(const Rect& area, const double* centre, double factor) {
    last_input_ = GetTickCount64();
    if (centre == nullptr || factor == 1.0) {
        (void)Cpw_ResetZoomVideo();
        display_info_.center_x = 0.5;
        display_info_.center_y = 0.5;
    } else {
        const ZoomPart part = ZoomRequest(area, centre[0], centre[1], factor);
        const CpwZoomRect zoom{part.x, part.y, part.width, part.height};
        (void)Cpw_ZoomVideo(&zoom);
        display_info_.center_x = centre[0];
        display_info_.center_y = centre[1];
    }
    display_info_.zoom = factor;
    PushDisplayInfo();
}

void CVideoInputFrame::OnGestureStarted() { DetectorSetEnabled(0); }
void CVideoInputFrame::OnGestureEnded() { DetectorSetEnabled(1); }

// The colour operations: the colour record and its presets.
void CVideoInputFrame::SelectBalancePreset(std::int32_t preset) { presets_.Presets().SelectBalancePreset(preset); }
void CVideoInputFrame::SelectLevelPreset(std::int32_t preset) { presets_.Presets().SelectLevelPreset(preset); }
std::int32_t CVideoInputFrame::SaveBalancePreset(std::int32_t preset) { return presets_.Presets().SaveBalancePreset(preset); }
std::int32_t CVideoInputFrame::ResetBalancePreset(std::int32_t preset) { return presets_.Presets().ResetBalancePreset(preset); }
std::int32_t CVideoInputFrame::SaveLevelPreset(std::int32_t preset) { return presets_.Presets().SaveLevelPreset(preset); }
std::int32_t CVideoInputFrame::ResetLevelPreset(std::int32_t preset) { return presets_.Presets().ResetLevelPreset(preset); }
std::int32_t CVideoInputFrame::ResetAllPresets() { return presets_.Presets().ResetAllPresets(); }
void CVideoInputFrame::SetTwelveAxes(std::int32_t first, std::int32_t second, std::int32_t third) {
    presets_.Presets().SetTwelveAxes(first, second, third);
}
void CVideoInputFrame::SetGammaCurve(std::int32_t curve) { presets_.Presets().SetGammaCurve(curve); }
void CVideoInputFrame::SetColorMute(std::int32_t red, std::int32_t green, std::int32_t blue) {
    presets_.Presets().SetColorMute(red, green, blue);
}
void CVideoInputFrame::SetDriveGain(std::int32_t red, std::int32_t green, std::int32_t blue) {
    presets_.Presets().SetDriveGain(red, green, blue);
}
void CVideoInputFrame::SetCutoffOffset(std::int32_t red, std::int32_t green, std::int32_t blue) {
    presets_.Presets().SetCutoffOffset(red, green, blue);
}

void CVideoInputFrame::SetFirstPlayMode(std::int32_t flag) {
    video_play_state_.value = flag == 1 ? 2 : 0;
    Apply({&video_play_state_});
}

void CVideoInputFrame::CaptureStill() {
    setting_view_visible_state_.value = 0;
    Apply({&setting_view_visible_state_});
    const SaveOutcome outcome = SaveStillCapture(CaptureFolder());
    if (outcome.internal_error) {
        internal_error_state_.value = 1;
        Apply({&internal_error_state_});
    } else if (outcome.save_error != 0) {
        save_capture_error_state_.value = outcome.save_error;
        Apply({&save_capture_error_state_});
    }
}

void CVideoInputFrame::OpenCaptureFolder() {
    const std::wstring folder = CaptureFolder();
    const bool is_folder = EnsureFolder(folder);
    screen_mode_state_.value = 1;
    Apply({&screen_mode_state_});
    if (is_folder) PlaceBrowserBeside(folder, Handle(), display_info_.screen.work);
}

// ScreenModeChangeListner

void CVideoInputFrame::ChangeScreenMode(std::int32_t mode) {
    screen_mode_state_.value = mode;
    Apply({&screen_mode_state_});
}

void CVideoInputFrame::ChangeSettingViewVisible(std::int32_t flag) {
    setting_view_visible_state_.value = flag;
    Apply({&setting_view_visible_state_});
}

void CVideoInputFrame::SetSecondPlayMode(std::int32_t flag) {
    video_play_state_.value = flag == 1 ? 6 : 0;
    Apply({&video_play_state_});
}

void CVideoInputFrame::ChangeControlsVisible(std::int32_t flag) {
    ControlHideState hide(flag == 0 ? 1 : 0);
    Apply({&hide});
}

// The video-input detector's side.

namespace {

Pelmora::Lib::Overlap::VideoInputDetector* Detector() noexcept {
    return Pelmora::Lib::Overlap::VideoInputDetector::Exists() ? &Pelmora::Lib::Overlap::VideoInputDetector::Get()
                                                               : nullptr;
}

Rect Shifted(const Rect& r, POINT by) noexcept { return Rect{r.left + by.x, r.top + by.y, r.right + by.x, r.bottom + by.y}; }

}  // namespace

void CVideoInputFrame::OnDisplayAreaChanged(const DisplayArea& area) {
    // Kept relative to the client origin, so the area follows the window.
    POINT origin{0, 0};
    ClientToScreen(Handle(), &origin);
    const POINT back{-origin.x, -origin.y};
    area_video_ = Shifted(area.video_rect, back);
    area_extra_ = Shifted(area.extra_rect, back);
    area_background_ = area.background;
    if (auto* d = Detector()) d->SetArea(area.video_rect, area.extra_rect, area.background);
}

void CVideoInputFrame::DetectorMoved(POINT client_origin) {
    if (auto* d = Detector()) d->SetArea(Shifted(area_video_, client_origin), Shifted(area_extra_, client_origin), area_background_);
}

void CVideoInputFrame::DetectorSetEnabled(int enabled) {
    if (auto* d = Detector()) d->SetEnabled(enabled);
}
void CVideoInputFrame::DetectorStartTimer() {
    if (auto* d = Detector()) (void)d->StartTimer();
}
void CVideoInputFrame::DetectorStopTimer() {
    if (auto* d = Detector()) d->StopTimer();
}
void CVideoInputFrame::DetectorVideoFlag(int video, bool) {
    // The detector derives the changed flag from the previous value itself.
    if (auto* d = Detector()) d->SetVideo(video);
}
bool CVideoInputFrame::DetectorLatest(int& covered) const {
    auto* d = Detector();
    if (d == nullptr) return false;
    covered = d->CheckNow();
    return true;
}

}  // namespace vistrel
