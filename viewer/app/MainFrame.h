// The main frame window: it owns the layout, talks to the capture library and
// feeds every state change to the resolver. It implements the three listener
// interfaces the views hold.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "Capwell.h"
#include "viewer/app/ColorPresetsWin.h"
#include "viewer/app/FrameListeners.h"
#include "viewer/app/PlatformProbes.h"
#include "viewer/core/DisplayInfo.h"
#include "viewer/core/StateResolver.h"
#include "viewer/core/ViewParameters.h"
#include "viewer/core/ViewerStates.h"
#include "viewer/framework/Frame.h"
#include "viewer/framework/Raii.h"

namespace vistrel {

class CVideoSplitterWnd;

inline constexpr const wchar_t* kMainWindowClass = L"Harlowe Vistrel MainWndClass";
inline constexpr const wchar_t* kGlobalMutexName = L"Global\\VistrelGlobalMutex";
inline constexpr const wchar_t* kUserMutexName = L"VistrelUserMutex";
// WS_OVERLAPPEDWINDOW with the add-title style.
inline constexpr DWORD kFrameStyle = 0xCF8000;
// The same with WS_MAXIMIZE: what full screen removes before adding WS_POPUP.
inline constexpr DWORD kFullScreenRemoved = 0x1CF8000;

// The frame's timers, by purpose.
inline constexpr UINT_PTR kIdleTimerId = 1;            // full-screen idle check
inline constexpr UINT_PTR kAwakeTimerId = 2;           // keeps system and display awake
inline constexpr UINT_PTR kDisplayChangedTimerId = 3;  // end of the display-changed blank
inline constexpr UINT_PTR kTransitionTimerId = 4;      // end of the transition
inline constexpr UINT_PTR kDetectPauseTimerId = 5;     // end of the detection pause
inline constexpr UINT kIdleTimerMs = 1000;
inline constexpr UINT kAwakeTimerMs = 30000;
inline constexpr UINT kDisplayChangedTimerMs = 3000;
inline constexpr UINT kTransitionTimerMs = 1000;
inline constexpr UINT kDetectPauseTimerMs = 3000;
// Full-screen video hides the controls after this long without input; the
// next input shows them again.
inline constexpr ULONGLONG kIdleHideMs = 10000;
// A suspend is answered only after this long, so the library can stop.
inline constexpr DWORD kSuspendAnswerDelayMs = 1000;
// The system menu's version item.
inline constexpr UINT kVersionCommand = 0xE140;

// Design sizes of the bars (a 3840 x 2560 canvas).
inline constexpr int kControllerBarDesign = 200;
inline constexpr int kCaptionBarDesign = 70;
inline constexpr int kMinClientWidthDesign = 640;
inline constexpr int kMinClientHeightDesign = 480;

class CVideoInputFrame : public fw::FrameWindow,
                         public IVideoPlayListner,
                         public ScreenModeChangeListner,
                         public DetectInfoChangeListener {
public:
    // `internal_display` is the process-wide text the probes fill.
    CVideoInputFrame(int already_running, std::wstring& internal_display);
    ~CVideoInputFrame() override;

    static LPCWSTR RegisterMainClass() noexcept;
    [[nodiscard]] bool LoadFrame(DWORD style);
    int AlreadyRunning() const noexcept { return already_running_; }
    // Where the internal display's name comes from: the probes, unless a test
    // stands for a platform without a built-in panel (before LoadFrame).
    using DisplayFinder = std::wstring (*)();
    void SetDisplayFinder(DisplayFinder finder) noexcept { find_display_ = finder; }

    // Records user input before the message is dispatched; input brings back
    // controls hidden for idleness.
    void PreTranslate(const MSG& msg);

    // What the frame holds, for its owner and its tests.
    const StateResolver& Resolver() const noexcept { return resolver_; }
    const DisplayInfo& CurrentDisplayInfo() const noexcept { return display_info_; }
    bool FullScreen() const noexcept { return full_screen_; }
    CVideoSplitterWnd* Layout() const noexcept { return layout_.get(); }

    // IVideoPlayListner
    void OnDisplayResized() override;
    void OnZoomChanged(const Rect& area, const double* centre, double factor) override;
    void OnGestureStarted() override;
    void OnGestureEnded() override;
    void SelectBalancePreset(std::int32_t preset) override;
    void SelectLevelPreset(std::int32_t preset) override;
    std::int32_t SaveBalancePreset(std::int32_t preset) override;
    std::int32_t ResetBalancePreset(std::int32_t preset) override;
    std::int32_t SaveLevelPreset(std::int32_t preset) override;
    std::int32_t ResetLevelPreset(std::int32_t preset) override;
    std::int32_t ResetAllPresets() override;
    void SetTwelveAxes(std::int32_t first, std::int32_t second, std::int32_t third) override;
    void SetGammaCurve(std::int32_t curve) override;
    void SetColorMute(std::int32_t red, std::int32_t green, std::int32_t blue) override;
    void SetDriveGain(std::int32_t red, std::int32_t green, std::int32_t blue) override;
    void SetCutoffOffset(std::int32_t red, std::int32_t green, std::int32_t blue) override;
    void SetFirstPlayMode(std::int32_t flag) override;
    void CaptureStill() override;
    void OpenCaptureFolder() override;

    // ScreenModeChangeListner
    void ChangeScreenMode(std::int32_t mode) override;
    void ChangeSettingViewVisible(std::int32_t flag) override;
    void SetSecondPlayMode(std::int32_t flag) override;
    void ChangeControlsVisible(std::int32_t flag) override;

    // DetectInfoChangeListener
    void OnDisplayAreaChanged(const DisplayArea& area) override;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override;
    bool OnCreateClient(const CREATESTRUCTW& cs) override;
    // Once loaded the frame owns itself: it is deleted when its window is gone
    // (the one self-owning window of the program).
    void OnFinalMessage() override {
        if (self_owned_) delete this;
    }

private:
    using Batch = std::initializer_list<BaseChangedState*>;

    LRESULT OnCreate(WPARAM w, LPARAM l);
    LRESULT OnDestroy(WPARAM w, LPARAM l);
    LRESULT OnTimer(UINT_PTR id);
    LRESULT OnSize(WPARAM w, LPARAM l);
    LRESULT OnMove(WPARAM w, LPARAM l);
    LRESULT OnGetMinMaxInfo(WPARAM w, LPARAM l);
    LRESULT OnStyleChanged(WPARAM w, LPARAM l);
    LRESULT OnSysCommand(WPARAM w, LPARAM l);
    LRESULT OnDisplayChange(WPARAM w, LPARAM l);
    LRESULT OnPowerBroadcast(WPARAM w, LPARAM l);
    LRESULT OnSessionChange(WPARAM w, LPARAM l);
    LRESULT OnSettingChange(WPARAM w, LPARAM l);
    LRESULT OnCaptureNotify(WPARAM w, LPARAM l);
    LRESULT OnContinue();
    LRESULT OnScreenModeMessage(int mode, int resize);
    LRESULT OnStatusChanging(const ViewStatus& old_status, const ViewStatus& new_status);
    LRESULT OnStatusChanged(const ViewStatus& old_status, const ViewStatus& new_status);

    // Timers by purpose.
    void OnIdleTimer();
    void ShowControlsAfterIdle();
    void OnAwakeTimer();
    void OnDisplayChangedTimer();
    void OnTransitionTimer();
    void OnDetectPauseTimer();

    void Apply(Batch batch) { resolver_.Apply(batch); }
    // Screen information of the internal display, the fallback on failure.
    bool ReadScreen();
    void StartLibrary(std::vector<BaseChangedState*>& batch);
    // Reads the HDMI information; on a change stores, sizes and broadcasts it.
    bool ReadHdmiInfo();
    void ApplyHdmiBatch();
    void RunTabletModeBatch();
    void ResetZoom();
    void Relayout();
    void PushDisplayInfo();
    void ApplyPlayCode(int code, int old_code);
    void RunDisplayKindTimers(const ViewStatus& old_status, const ViewStatus& new_status);
    void ApplyScreenMode(int mode);
    void RefitToVideo();
    void CentreOnWorkArea();
    void SetIcons();
    void ShowVersionDialog();
    int Scale(int design) const noexcept;
    bool Minimised() const noexcept { return size_state_ == kSizeMinimised; }

    // The video-input detector's side of the frame.
    void DetectorSetEnabled(int enabled);
    void DetectorStartTimer();
    void DetectorStopTimer();
    void DetectorMoved(POINT client_origin);
    void DetectorVideoFlag(int video, bool changed);
    bool DetectorLatest(int& covered) const;

    static constexpr int kSizeMaximised = 0;
    static constexpr int kSizeMinimised = 1;
    static constexpr int kSizeRestored = 2;

    int already_running_;
    std::wstring& internal_display_;
    DisplayFinder find_display_ = &FindInternalDisplayName;
    std::unique_ptr<CVideoSplitterWnd> layout_;
    const ViewParameters* parameters_ = nullptr;
    winkit::UniquePowerNotify power_notify_;
    bool session_registered_ = false;
    POINT last_mouse_{0, 0};
    fw::WindowTimer idle_timer_;
    fw::WindowTimer awake_timer_;
    fw::WindowTimer display_changed_timer_;
    fw::WindowTimer transition_timer_;
    fw::WindowTimer detect_pause_timer_;
    int video_width_ = 0;
    int video_height_ = 0;
    CpwHdmiInfo hdmi_{};
    DisplayInfo display_info_;
    bool full_screen_ = false;
    ULONGLONG last_input_ = 0;
    bool idle_hidden_ = false;  // the layout shows the blank bar for want of input
    int size_state_ = kSizeRestored;
    StateResolver resolver_;
    TabletModeBinding tablet_;
    UINT notify_message_ = 0;
    CaptureDataAccessors accessors_;
    FramePresets presets_;
    fw::UniqueIcon icon_;
    // The picture area the display view reported, relative to the client origin.
    Rect area_video_;
    Rect area_extra_;
    std::uint32_t area_background_ = 0;
    bool icon_pending_ = true;
    bool self_owned_ = false;

    // One long-lived object per state, written and handed to the resolver.
    AlreadyProcState already_proc_state_;
    DetectPauseState detect_pause_state_;
    DetectState detect_state_;
    DisplaySettingChangedState display_setting_changed_state_;
    DriverVerCheckedState driver_ver_checked_state_{2};
    FirmVerCheckedState firm_ver_checked_state_{2};
    HdmiConnectState hdmi_connect_state_{2};
    InternalErrorState internal_error_state_;
    ShowTransitionState show_transition_state_;
    SuspendState suspend_state_;
    ScreenModeState screen_mode_state_{1};
    ResizeState resize_state_;
    TableteModeState tablete_mode_state_;
    SettingViewVisibleState setting_view_visible_state_;
    SaveCaptureErrorState save_capture_error_state_;
    VideoPlayState video_play_state_{8};
};

}  // namespace vistrel
