// The setting panel: the tab bar over three setting views (Balance: tone
// curve and twelve-axis colour; Level: drive gain and cutoff offset; Etc:
// channel display, volume, brightness, start at sign-in, hiding the menu).
// Every change goes at once to the frame through the play listener; the
// views then follow the colour broadcast to show the values in effect.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "viewer/app/EtcProbes.h"
#include "viewer/app/Notificators.h"
#include "viewer/controls/BitmapButtonEx.h"
#include "viewer/controls/LineControl.h"
#include "viewer/controls/NumericUpDown.h"
#include "viewer/controls/SliderCtrlEx.h"
#include "viewer/core/ColorPresets.h"
#include "viewer/views/BaseView.h"
#include "viewer/views/Splitters.h"

namespace vistrel {

inline constexpr COLORREF kSettingBackground = RGB(193, 193, 193);

// The tab bar: three radio tabs; a tab switched on tells the listener its key.
class SettingControllerView final : public CBaseView {
public:
    SettingControllerView();

    void Initialize(const ViewInitArgs& args) override;
    void OnDisplayInfoChanged(const DisplayInfo& info) override;
    void SetListener(ISettingViewChangedListener* listener) noexcept { listener_ = listener; }

protected:
    bool OnInitDialog() override;
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override;

private:
    LRESULT OnTabState(int id, LPARAM state);

    std::array<RadioButton, 3> tabs_;
    ISettingViewChangedListener* listener_ = nullptr;
    IVideoPlayListner* play_ = nullptr;
};

// A button that opens a row of a question, "OK" and "Cancel" below it.
struct ConfirmRow {
    int opener;
    int text;
    int ok;
    int cancel;
};

// What the three setting views share: the grey background, the label and
// control making, the copy of the last colour record and the confirmation rows.
class BaseSettingView : public CBaseView {
public:
    void Initialize(const ViewInitArgs& args) override;
    void OnDisplayInfoChanged(const DisplayInfo& info) override;
    // The broadcast: a record equal to the stored copy changes nothing.
    void OnColorSettingChanged(const ColorSettingChangedEventArgs& e);
    const std::optional<ColorRecord>& StoredRecord() const noexcept { return record_; }

    ~BaseSettingView() override;

protected:
    explicit BaseSettingView(UINT templateId);

    // Sets the controls from a record without sending anything.
    virtual void ShowRecord(const ColorRecord& record) = 0;
    void ShowStoredRecord();

    void MakeLabel(int id, UINT text, DWORD style = SS_LEFT);
    void MakeButton(CBitmapButtonEx& button, int id, UINT text, bool shown = true);
    void MakeSlider(SliderCtrlEx& slider, int id, int maximum, int start, int page);
    void MakeNumber(NumericUpDown& number, int id, int maximum, int start);
    void MakeLine(LineControlHorizontal& line, int id);
    void OpenConfirm(const ConfirmRow& row) const;
    void CloseConfirm(const ConfirmRow& row) const;
    // The slider's position as the 16-bit value TBM_GETPOS answers.
    int SliderPos(int id) const;

    IVideoPlayListner* PlayListener() const noexcept { return play_; }
    std::optional<LRESULT> OnCtlColor(HDC dc, HWND child) override;

private:
    ColorSettingChangedNotificator color_notificator_;
    std::optional<ColorRecord> record_;
    IVideoPlayListner* play_ = nullptr;
    std::vector<fw::Font> label_fonts_;
    // The kit controls that follow the layout state.
    std::vector<CBitmapButtonEx*> buttons_;
    std::vector<SliderCtrlEx*> sliders_;
    std::vector<NumericUpDown*> numbers_;
    std::vector<LineControlHorizontal*> lines_;
};

class BalanceSettingView final : public BaseSettingView {
public:
    BalanceSettingView();

protected:
    bool OnInitDialog() override;
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override;
    void ShowRecord(const ColorRecord& record) override;

private:
    LRESULT OnCurveState(int id, LPARAM state);
    void OnScroll(int id, int code);
    LRESULT OnNumber(int id, int value);
    void OnCommand(int id, int code);
    void SendAxes();

    std::array<RadioButton, 5> curves_;
    std::array<SliderCtrlEx, 3> axes_;
    std::array<NumericUpDown, 3> numbers_;
    std::array<LineControlHorizontal, 2> lines_;
    CBitmapButtonEx save_;
    CBitmapButtonEx ok_;
    CBitmapButtonEx cancel_;
};

class LevelSettingView final : public BaseSettingView {
public:
    LevelSettingView();

protected:
    bool OnInitDialog() override;
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override;
    void ShowRecord(const ColorRecord& record) override;

private:
    void OnScroll(int id, int code);
    LRESULT OnNumber(int id, int value);
    void OnCommand(int id, int code);
    void SendGain();
    void SendOffset();

    std::array<SliderCtrlEx, 3> gains_;
    std::array<SliderCtrlEx, 3> offsets_;
    std::array<NumericUpDown, 6> numbers_;
    std::array<LineControlHorizontal, 2> lines_;
    CBitmapButtonEx save_;
    CBitmapButtonEx ok_;
    CBitmapButtonEx cancel_;
};

class EtcSettingView final : public BaseSettingView {
public:
    explicit EtcSettingView(std::unique_ptr<IEtcProbes> probes);

    IEtcProbes& Probes() noexcept { return *probes_; }

protected:
    bool OnInitDialog() override;
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override;
    void ShowRecord(const ColorRecord& record) override;

private:
    LRESULT OnChannelState(int id);
    void OnScroll(int id, int code);
    LRESULT OnNumber(int id, int value);
    void OnCommand(int id, int code);
    void ReadVolume();
    void ReadBrightness();
    void ToggleStartup();

    std::unique_ptr<IEtcProbes> probes_;
    std::array<ToggleButton, 3> channels_;
    SliderCtrlEx volume_;
    SliderCtrlEx brightness_;
    NumericUpDown volume_number_;
    NumericUpDown brightness_number_;
    ToggleButton startup_;
    CBitmapButtonEx hide_;
    CBitmapButtonEx ok_;
    CBitmapButtonEx cancel_;
    std::array<LineControlHorizontal, 3> lines_;
};

// The setting splitter's factory: the tab bar (told the splitter as its
// listener), the balance view under keys 0 and 1, the level view under 2 and
// the Etc view under 3 with the probes `make_probes` gives; the balance view
// is shown first.
using EtcProbesMaker = std::function<std::unique_ptr<IEtcProbes>()>;
SettingSplitterWnd::Factory SettingViewsFactory(EtcProbesMaker make_probes);
// The factory with the platform's own probes.
void MakeSettingViews(SettingSplitterWnd& splitter, fw::PaneFrame& tabs, fw::PaneFrame& views,
                      const ViewInitArgs& args);

}  // namespace vistrel
