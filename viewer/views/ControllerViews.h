// The controller bar's views: the play bar (full screen, presets, pause,
// still capture, capture folder, waveform display, setting panel, zoom
// navigator and audio meters) and the message bar, which shows the same bar
// with everything but the full-screen button disabled. Both talk to the frame
// only through the listener interfaces of ViewInitArgs.
#pragma once

#include <windows.h>

#include <array>
#include <memory>
#include <optional>

#include "viewer/app/Notificators.h"
#include "viewer/controls/AudioLevelMeter.h"
#include "viewer/controls/BitmapButtonEx.h"
#include "viewer/controls/LineControl.h"
#include "viewer/controls/WaveformControl.h"
#include "viewer/controls/ZoomControl.h"
#include "viewer/core/ControllerBar.h"
#include "viewer/views/BaseView.h"

namespace vistrel {

// The control ids of one bar; the play and the message bar differ only in them.
struct ControllerBarIds {
    int full_screen;
    std::array<int, 4> balance;
    std::array<int, 4> level;
    int pause;
    int capture;
    int folder;
    int waveform;
    int setting;
    int zoom;
    int zoom_text;
    std::array<int, 2> meters;
    std::array<int, 2> channel_labels;
    std::array<int, 3> lines;
    int balance_label;
    int level_label;
};

// What both bars share: the controls, their fonts and layout, the
// full-screen button's look, the preset checks and the setting toggle.
class CControllerBarView : public CBaseControllerView {
public:
    void Initialize(const ViewInitArgs& args) override;
    void SetSettingViewVisible(int visible) override;
    void OnDisplayInfoChanged(const DisplayInfo& info) override;

    // The broadcast's preset selection: 0 clears a group, 1..4 checks one.
    void OnColorSettingChanged(const ColorSettingChangedEventArgs& e);
    const ControllerBarIds& Ids() const noexcept { return ids_; }

protected:
    CControllerBarView(UINT templateId, const ControllerBarIds& ids);
    ~CControllerBarView() override;

    // Creates the shared controls (disabled ones in the message bar) and
    // their layout items, starting with the full-screen button.
    bool CreateBarControls(bool disabled);
    void AddBarLayout(int notice_id);
    void ApplyFullScreenLook(bool full_screen, bool tablet);
    void ShowControl(int id, bool shown) const;
    void EnableControl(int id, bool enabled) const;
    void ApplyPresetChecks();
    void UpdateMeters();
    void ResetZoom() const;
    // Visibility and enabling from the stored record and play code.
    virtual void UpdateControls() = 0;

    std::optional<LRESULT> OnCtlColor(HDC dc, HWND child) override;

    IVideoPlayListner* PlayListener() const noexcept { return play_; }

    ControllerBarIds ids_;
    CBitmapButtonEx full_screen_;
    std::array<RadioButton, 4> balance_;
    std::array<RadioButton, 4> level_;
    ToggleButton pause_;
    CBitmapButtonEx capture_;
    CBitmapButtonEx folder_;
    CBitmapButtonEx waveform_;
    ToggleButton setting_;
    CZoomControl zoom_;
    std::array<AudioLevelMeterControl, 2> meters_;
    std::array<LineControlVertical, 3> lines_;
    std::array<fw::Font, 6> fonts_;  // zoom text, L, R, the two labels, the notice
    ColorSettingChangedNotificator color_notificator_;
    int balance_index_ = 0;
    int level_index_ = 0;

private:
    IVideoPlayListner* play_ = nullptr;
};

class CVideoPlayControllerView final : public CControllerBarView {
public:
    static constexpr int kWaveformRefreshMs = 60;
    static constexpr int kTabletNoticeMs = 5000;

    CVideoPlayControllerView(int waveform_refresh_ms = kWaveformRefreshMs, int tablet_notice_ms = kTabletNoticeMs);
    ~CVideoPlayControllerView() override;

    void OnActivated() override { UpdateControls(); }
    void Initialize(const ViewInitArgs& args) override;
    void SetPlayCode(int code) override;
    void OnDisplayInfoChanged(const DisplayInfo& info) override;
    void OnHdmiInfoChanged(const CpwHdmiInfo& info);

    bool WaveformMode() const noexcept { return waveform_mode_; }
    bool WaveformTimerRunning() const noexcept { return waveform_timer_.Running(); }
    bool NoticeTimerRunning() const noexcept { return notice_timer_.Running(); }
    void OnTabletNoticeTimer();

protected:
    bool OnInitDialog() override;
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override;

private:
    void UpdateControls() override;
    LRESULT OnCommand(int id, int code);
    LRESULT OnToggleState(int id, LPARAM state);
    void OnCaptureStill();
    void OnWaveformTimer();

    CBitmapButtonEx back_;
    std::array<WaveFormControl, 4> waves_;
    HdmiInfoChangedNotificator hdmi_notificator_;
    UIThreadTimer waveform_timer_;
    UIThreadTimer notice_timer_;
    CpwHdmiInfo hdmi_{};
    bool waveform_mode_ = false;
    ViewInitArgs args_;
};

class CVideoErrorControllerView final : public CControllerBarView {
public:
    explicit CVideoErrorControllerView(int kind);

    int Kind() const noexcept { return kind_; }
    void OnActivated() override { UpdateControls(); }
    void SetPlayCode(int code) override;

protected:
    bool OnInitDialog() override;
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override;

private:
    void UpdateControls() override;

    int kind_;
};

// The controller view of a controller key: the play bar, a message bar per
// message kind, and the blank bar for the rest.
std::unique_ptr<CBaseControllerView> MakeControllerView(int controller_key);

}  // namespace vistrel
