#include "viewer/views/SettingViews.h"

#include <mmsystem.h>

#include "viewer/app/FrameListeners.h"
#include "viewer/core/ControlLook.h"
#include "viewer/core/Messages.h"
#include "viewer/core/SettingPanel.h"
#include "viewer/framework/Resources.h"
#include "viewer/res/resource.h"

namespace vistrel {
namespace {

// Every control is placed by the layout; this is only its first rectangle.
constexpr RECT kFirstRect{0, 0, 10, 10};
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

constexpr int kTabIds[3] = {IDC_SET_TAB_BALANCE, IDC_SET_TAB_LEVEL, IDC_SET_TAB_ETC};
constexpr UINT kTabTexts[3] = {IDS_BALANCE, IDS_LEVEL, IDS_ETC};
constexpr int kTabKeys[3] = {kSettingTabBalance, kSettingTabLevel, kSettingTabEtc};

// Left to right on screen; a button's index is its curve number, while the
// string numbers of 2.4 and 2.6 are the other way round.
constexpr int kCurveIds[5] = {IDC_BAL_CURVE_19, IDC_BAL_CURVE_22, IDC_BAL_CURVE_24, IDC_BAL_CURVE_26,
                              IDC_BAL_CURVE_LOG};
constexpr UINT kCurveTexts[5] = {IDS_CURVE_19, IDS_CURVE_22, IDS_CURVE_24, IDS_CURVE_26, IDS_CURVE_LOG};

constexpr int kAxisIds[3] = {IDC_BAL_HUE, IDC_BAL_SATURATION, IDC_BAL_LIGHTNESS};
constexpr int kAxisNumberIds[3] = {IDC_BAL_HUE_NUMBER, IDC_BAL_SATURATION_NUMBER, IDC_BAL_LIGHTNESS_NUMBER};
constexpr int kAxisLabelIds[3] = {IDC_BAL_HUE_LABEL, IDC_BAL_SATURATION_LABEL, IDC_BAL_LIGHTNESS_LABEL};
constexpr UINT kAxisTexts[3] = {IDS_HUE, IDS_SATURATION, IDS_LIGHTNESS};

constexpr int kGainIds[3] = {IDC_LEV_GAIN_R, IDC_LEV_GAIN_G, IDC_LEV_GAIN_B};
constexpr int kGainNumberIds[3] = {IDC_LEV_GAIN_R_NUMBER, IDC_LEV_GAIN_G_NUMBER, IDC_LEV_GAIN_B_NUMBER};
constexpr int kGainLabelIds[3] = {IDC_LEV_GAIN_R_LABEL, IDC_LEV_GAIN_G_LABEL, IDC_LEV_GAIN_B_LABEL};
constexpr int kShiftIds[3] = {IDC_LEV_SHIFT_R, IDC_LEV_SHIFT_G, IDC_LEV_SHIFT_B};
constexpr int kShiftNumberIds[3] = {IDC_LEV_SHIFT_R_NUMBER, IDC_LEV_SHIFT_G_NUMBER, IDC_LEV_SHIFT_B_NUMBER};
constexpr int kShiftLabelIds[3] = {IDC_LEV_SHIFT_R_LABEL, IDC_LEV_SHIFT_G_LABEL, IDC_LEV_SHIFT_B_LABEL};
constexpr UINT kChannelTexts[3] = {IDS_CHANNEL_R, IDS_CHANNEL_G, IDS_CHANNEL_B};

constexpr int kChannelIds[3] = {IDC_ETC_CHANNEL_R, IDC_ETC_CHANNEL_G, IDC_ETC_CHANNEL_B};
// A pressed channel toggle takes its channel's colour; the text stays white.
constexpr controls::ButtonColors kChannelOnColors[3] = {
    {RGB(200, 30, 30), controls::kWhite, controls::kWhite, controls::kWhite},
    {RGB(20, 150, 40), controls::kWhite, controls::kWhite, controls::kWhite},
    {RGB(30, 70, 210), controls::kWhite, controls::kWhite, controls::kWhite}};

constexpr ConfirmRow kBalanceConfirm{IDC_BAL_SAVE, IDC_BAL_CONFIRM_TEXT, IDC_BAL_CONFIRM_OK, IDC_BAL_CONFIRM_CANCEL};
constexpr ConfirmRow kLevelConfirm{IDC_LEV_SAVE, IDC_LEV_CONFIRM_TEXT, IDC_LEV_CONFIRM_OK, IDC_LEV_CONFIRM_CANCEL};
constexpr ConfirmRow kHideConfirm{IDC_ETC_HIDE, IDC_ETC_CONFIRM_TEXT, IDC_ETC_CONFIRM_OK, IDC_ETC_CONFIRM_CANCEL};

// The index of `id` in `ids`, or -1.
template <std::size_t N>
int IndexOf(const int (&ids)[N], int id) noexcept {
    for (std::size_t i = 0; i < N; ++i) {
        if (ids[i] == id) return static_cast<int>(i);
    }
    return -1;
}

// Design-unit placements: {width, height, font, horizontal mode, dx, vertical mode, dy}.
constexpr ItemPlacement Label(int width, int dx, int vertical, int dy) {
    return {width, 50, 50, kAlignLeft, dx, vertical, dy};
}
// The labels the tables give 200 units hold "Saturation" or "Brightness" only
// when wider; nothing stands to their right, so they take the panel's width.
constexpr int kLabelWidth = 1020;
constexpr int kRowWidth = 1060;

}  // namespace

// ---- SettingControllerView -------------------------------------------------

SettingControllerView::SettingControllerView() : CBaseView(IDD_SETTING_CONTROLLER_VIEW) {}

void SettingControllerView::Initialize(const ViewInitArgs& args) {
    CBaseView::Initialize(args);
    play_ = args.play;
}

bool SettingControllerView::OnInitDialog() {
    for (std::size_t i = 0; i < 3; ++i) {
        (void)tabs_[i].Create(Handle(), kTabIds[i], fw::LoadResString(kTabTexts[i]).c_str(), kFirstRect,
                              kChild | WS_TABSTOP);
        tabs_[i].SetGroupName(L"SettingTabGroup");
        tabs_[i].SetButtonFont();
    }
    AddLayoutItem(IDC_SET_TAB_BALANCE, {366, 150, 50, kAlignLeft, 0, kAlignCenterY, 0});
    AddLayoutItem(IDC_SET_TAB_LEVEL, {366, 150, 50, kAlignRight, 0, kAlignCenterY, 0}, IDC_SET_TAB_BALANCE);
    AddLayoutItem(IDC_SET_TAB_ETC, {366, 150, 50, kAlignRight, 0, kAlignCenterY, 0}, IDC_SET_TAB_LEVEL);
    Relayout();
    (void)tabs_[0].SetState(true, false);
    return true;
}

void SettingControllerView::OnDisplayInfoChanged(const DisplayInfo& info) {
    CBaseView::OnDisplayInfoChanged(info);
    const controls::LayoutState layout = controls::LayoutOf(info);
    for (RadioButton& tab : tabs_) {
        if (tab.IsWindow()) tab.SetLayoutState(layout);
    }
}

LRESULT SettingControllerView::OnTabState(int id, LPARAM state) {
    // A tab that goes off is the other half of a switch.
    if (state == 0) return 1;
    const int index = IndexOf(kTabIds, id);
    if (index >= 0 && listener_ != nullptr) listener_->OnSettingViewChanged(kTabKeys[index]);
    return 2;
}

LRESULT SettingControllerView::HandleMessage(UINT msg, WPARAM w, LPARAM l) {
    switch (msg) {
        case msg::kToggleState: return OnTabState(static_cast<int>(w), l);
        default: break;
    }
    return CBaseView::HandleMessage(msg, w, l);
}

// ---- BaseSettingView -------------------------------------------------------

BaseSettingView::BaseSettingView(UINT templateId) : CBaseView(templateId) {
    ReplaceBackground(kSettingBackground);
    color_notificator_.SetListener([this](ColorSettingChangedEventArgs e) { OnColorSettingChanged(e); });
}

BaseSettingView::~BaseSettingView() { color_notificator_.SetListener(nullptr); }

void BaseSettingView::Initialize(const ViewInitArgs& args) {
    CBaseView::Initialize(args);
    play_ = args.play;
}

void BaseSettingView::OnColorSettingChanged(const ColorSettingChangedEventArgs& e) {
    if (e.color == nullptr) return;
    const auto& record = *static_cast<const ColorRecord*>(e.color);
    if (record_ && *record_ == record) return;
    record_ = record;
    if (IsWindow()) ShowRecord(record);
}

void BaseSettingView::ShowStoredRecord() {
    if (record_) ShowRecord(*record_);
}

void BaseSettingView::OnDisplayInfoChanged(const DisplayInfo& info) {
    CBaseView::OnDisplayInfoChanged(info);
    const controls::LayoutState layout = controls::LayoutOf(info);
    for (CBitmapButtonEx* b : buttons_) {
        if (b->IsWindow()) b->SetLayoutState(layout);
    }
    for (SliderCtrlEx* s : sliders_) {
        if (s->IsWindow()) s->SetLayoutState(layout);
    }
    for (NumericUpDown* n : numbers_) {
        if (n->IsWindow()) n->SetLayoutState(layout);
    }
    for (LineControlHorizontal* l : lines_) {
        if (l->IsWindow()) l->SetLayoutState(layout);
    }
}

void BaseSettingView::MakeLabel(int id, UINT text, DWORD style) {
    HWND label = CreateWindowExW(0, L"STATIC", fw::LoadResString(text).c_str(),
                                 kChild | SS_NOPREFIX | SS_CENTERIMAGE | style, 0, 0, 10, 10, Handle(),
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), fw::ResourceInstance(), nullptr);
    if (label == nullptr) return;
    label_fonts_.emplace_back();
    CBitmapButtonEx::SetLabelFont(label, label_fonts_.back());
}

void BaseSettingView::MakeButton(CBitmapButtonEx& button, int id, UINT text, bool shown) {
    (void)button.Create(Handle(), static_cast<UINT>(id), text != 0 ? fw::LoadResString(text).c_str() : L"", kFirstRect,
                        (shown ? kChild : WS_CHILD) | WS_TABSTOP);
    button.SetButtonFont();
    buttons_.push_back(&button);
}

void BaseSettingView::MakeSlider(SliderCtrlEx& slider, int id, int maximum, int start, int page) {
    if (!slider.Create(Handle(), static_cast<UINT>(id), kFirstRect)) return;
    slider.SetRange(0, maximum, false);
    SendMessageW(slider.Handle(), TBM_SETPAGESIZE, 0, page);
    slider.SetPos(start);
    sliders_.push_back(&slider);
}

void BaseSettingView::MakeNumber(NumericUpDown& number, int id, int maximum, int start) {
    if (!number.Create(Handle(), static_cast<UINT>(id), kFirstRect)) return;
    number.SetRange(0, maximum);
    number.SetValue(start, false);
    numbers_.push_back(&number);
}

void BaseSettingView::MakeLine(LineControlHorizontal& line, int id) {
    if (line.Create(Handle(), static_cast<UINT>(id), kFirstRect)) lines_.push_back(&line);
}

void BaseSettingView::OpenConfirm(const ConfirmRow& row) const {
    if (HWND opener = Item(row.opener); opener != nullptr) EnableWindow(opener, FALSE);
    for (int id : {row.text, row.ok, row.cancel}) {
        if (HWND c = Item(id); c != nullptr) ShowWindow(c, SW_SHOW);
    }
}

void BaseSettingView::CloseConfirm(const ConfirmRow& row) const {
    if (HWND opener = Item(row.opener); opener != nullptr) EnableWindow(opener, TRUE);
    for (int id : {row.text, row.ok, row.cancel}) {
        if (HWND c = Item(id); c != nullptr) ShowWindow(c, SW_HIDE);
    }
}

int BaseSettingView::SliderPos(int id) const {
    HWND slider = Item(id);
    return slider != nullptr ? static_cast<int>(LOWORD(SendMessageW(slider, TBM_GETPOS, 0, 0))) : 0;
}

std::optional<LRESULT> BaseSettingView::OnCtlColor(HDC dc, HWND child) {
    wchar_t cls[32] = {};
    GetClassNameW(child, cls, 32);
    // The labels and the track bars' backgrounds are the panel's grey.
    if (lstrcmpiW(cls, L"Static") != 0 && lstrcmpiW(cls, TRACKBAR_CLASSW) != 0) return std::nullopt;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    return reinterpret_cast<LRESULT>(BackgroundBrush());
}

// ---- BalanceSettingView ----------------------------------------------------

BalanceSettingView::BalanceSettingView() : BaseSettingView(IDD_BALANCE_SETTING_VIEW) {}

bool BalanceSettingView::OnInitDialog() {
    MakeLabel(IDC_BAL_GAMMA_LABEL, IDS_GAMMA);
    for (std::size_t i = 0; i < 5; ++i) {
        MakeButton(curves_[i], kCurveIds[i], kCurveTexts[i]);
        curves_[i].SetGroupName(L"GammaRadioButtonGroup");
    }
    for (std::size_t i = 0; i < 3; ++i) {
        MakeLabel(kAxisLabelIds[i], kAxisTexts[i]);
        MakeSlider(axes_[i], kAxisIds[i], 255, 128, 50);
        MakeNumber(numbers_[i], kAxisNumberIds[i], 255, 128);
    }
    MakeLine(lines_[0], IDC_BAL_LINE_1);
    MakeLine(lines_[1], IDC_BAL_LINE_2);
    MakeLabel(IDC_BAL_REGISTER_LABEL, IDS_REGISTER_CUSTOM);
    MakeButton(save_, IDC_BAL_SAVE, IDS_SAVE);
    MakeLabel(IDC_BAL_CONFIRM_TEXT, IDS_REGISTER_QUESTION);
    MakeButton(ok_, IDC_BAL_CONFIRM_OK, IDS_OK, false);
    MakeButton(cancel_, IDC_BAL_CONFIRM_CANCEL, IDS_CANCEL, false);
    CloseConfirm(kBalanceConfirm);

    AddLayoutItem(IDC_BAL_GAMMA_LABEL, Label(kLabelWidth, 40, kAlignTop, 50));
    AddLayoutItem(IDC_BAL_CURVE_24, {200, 180, 50, kAlignCenterX, 0, kAlignBottom, 60}, 0, IDC_BAL_GAMMA_LABEL);
    AddLayoutItem(IDC_BAL_CURVE_22, {200, 180, 50, kAlignLeft, 10, kAlignCenterY, 0}, IDC_BAL_CURVE_24,
                  IDC_BAL_CURVE_24);
    AddLayoutItem(IDC_BAL_CURVE_19, {200, 180, 50, kAlignLeft, 10, kAlignCenterY, 0}, IDC_BAL_CURVE_22,
                  IDC_BAL_CURVE_24);
    AddLayoutItem(IDC_BAL_CURVE_26, {200, 180, 50, kAlignRight, 10, kAlignCenterY, 0}, IDC_BAL_CURVE_24,
                  IDC_BAL_CURVE_24);
    AddLayoutItem(IDC_BAL_CURVE_LOG, {200, 180, 50, kAlignRight, 10, kAlignCenterY, 0}, IDC_BAL_CURVE_26,
                  IDC_BAL_CURVE_24);
    AddLayoutItem(IDC_BAL_LINE_1, {kRowWidth, 12, 0, kAlignCenterX, 0, kAlignBottom, 80}, 0, IDC_BAL_CURVE_19);
    int above = IDC_BAL_LINE_1;
    int gap = 80;
    for (std::size_t i = 0; i < 3; ++i) {
        AddLayoutItem(kAxisLabelIds[i], Label(kLabelWidth, 40, kAlignBottom, gap), 0, above);
        AddLayoutItem(kAxisIds[i], {650, 120, 0, kAlignLeft, 60, kAlignBottom, 20}, 0, kAxisLabelIds[i]);
        AddLayoutItem(kAxisNumberIds[i], {300, 60, 0, kAlignRight, 12, kAlignCenterY, 0}, kAxisIds[i], kAxisIds[i]);
        above = kAxisIds[i];
        gap = 120;
    }
    AddLayoutItem(IDC_BAL_LINE_2, {kRowWidth, 12, 0, kAlignCenterX, 0, kAlignBottom, 80}, 0, IDC_BAL_LIGHTNESS);
    AddLayoutItem(IDC_BAL_REGISTER_LABEL, Label(kRowWidth, 40, kAlignBottom, 80), 0, IDC_BAL_LINE_2);
    AddLayoutItem(IDC_BAL_SAVE, {280, 80, 50, kAlignCenterX, 0, kAlignBottom, 60}, 0, IDC_BAL_REGISTER_LABEL);
    AddLayoutItem(IDC_BAL_CONFIRM_TEXT, Label(kRowWidth, 40, kAlignBottom, 120), 0, IDC_BAL_SAVE);
    AddLayoutItem(IDC_BAL_CONFIRM_OK, {280, 80, 50, kAlignLeft, 226, kAlignBottom, 60}, 0, IDC_BAL_CONFIRM_TEXT);
    AddLayoutItem(IDC_BAL_CONFIRM_CANCEL, {280, 80, 50, kAlignLeft, 592, kAlignCenterY, 0}, 0, IDC_BAL_CONFIRM_OK);
    Relayout();
    ShowStoredRecord();
    return true;
}

void BalanceSettingView::ShowRecord(const ColorRecord& record) {
    const BalanceShown shown = BalanceShownFor(record);
    for (std::size_t i = 0; i < 3; ++i) {
        if (axes_[i].IsWindow()) axes_[i].SetPos(shown.axes[i]);
        if (numbers_[i].IsWindow()) numbers_[i].SetValue(shown.axes[i], false);
    }
    if (shown.curve_button && curves_[static_cast<std::size_t>(*shown.curve_button)].IsWindow()) {
        (void)curves_[static_cast<std::size_t>(*shown.curve_button)].SetState(true, false);
    }
}

void BalanceSettingView::SendAxes() {
    if (PlayListener() != nullptr) {
        PlayListener()->SetTwelveAxes(SliderPos(IDC_BAL_HUE), SliderPos(IDC_BAL_SATURATION),
                                      SliderPos(IDC_BAL_LIGHTNESS));
    }
}

LRESULT BalanceSettingView::OnCurveState(int id, LPARAM state) {
    if (state == 0) return 1;
    // The view has no other toggle; anything else changes no curve.
    const int curve = IndexOf(kCurveIds, id);
    if (curve < 0) return 1;
    if (PlayListener() != nullptr) PlayListener()->SetGammaCurve(curve);
    return 2;
}

void BalanceSettingView::OnScroll(int id, int code) {
    if (IsValueScroll(code) && IndexOf(kAxisIds, id) >= 0) SendAxes();
}

LRESULT BalanceSettingView::OnNumber(int id, int value) {
    if (const int i = IndexOf(kAxisNumberIds, id); i >= 0) axes_[static_cast<std::size_t>(i)].SetPos(value);
    SendAxes();
    return 1;
}

void BalanceSettingView::OnCommand(int id, int code) {
    if (code != BN_CLICKED) return;
    switch (id) {
        case IDC_BAL_SAVE: OpenConfirm(kBalanceConfirm); break;
        case IDC_BAL_CONFIRM_OK:
            if (PlayListener() != nullptr) (void)PlayListener()->SaveBalancePreset(kCustomPreset);
            CloseConfirm(kBalanceConfirm);
            break;
        case IDC_BAL_CONFIRM_CANCEL: CloseConfirm(kBalanceConfirm); break;
        default: break;
    }
}

LRESULT BalanceSettingView::HandleMessage(UINT msg, WPARAM w, LPARAM l) {
    switch (msg) {
        case msg::kToggleState: return OnCurveState(static_cast<int>(w), l);
        case msg::kNumberValue: return OnNumber(static_cast<int>(w), static_cast<int>(l));
        case WM_HSCROLL: OnScroll(GetDlgCtrlID(reinterpret_cast<HWND>(l)), LOWORD(w)); break;
        case WM_COMMAND: OnCommand(LOWORD(w), HIWORD(w)); return 0;
        default: break;
    }
    return BaseSettingView::HandleMessage(msg, w, l);
}

// ---- LevelSettingView ------------------------------------------------------

LevelSettingView::LevelSettingView() : BaseSettingView(IDD_LEVEL_SETTING_VIEW) {}

bool LevelSettingView::OnInitDialog() {
    MakeLabel(IDC_LEV_GAIN_LABEL, IDS_GAIN);
    for (std::size_t i = 0; i < 3; ++i) {
        MakeLabel(kGainLabelIds[i], kChannelTexts[i], SS_CENTER);
        MakeSlider(gains_[i], kGainIds[i], 1023, 512, 200);
        MakeNumber(numbers_[i], kGainNumberIds[i], 1023, 512);
    }
    MakeLabel(IDC_LEV_SHIFT_LABEL, IDS_SHIFT);
    for (std::size_t i = 0; i < 3; ++i) {
        MakeLabel(kShiftLabelIds[i], kChannelTexts[i], SS_CENTER);
        MakeSlider(offsets_[i], kShiftIds[i], 4095, 2048, 800);
        MakeNumber(numbers_[3 + i], kShiftNumberIds[i], 4095, 2048);
    }
    MakeLine(lines_[0], IDC_LEV_LINE_1);
    MakeLine(lines_[1], IDC_LEV_LINE_2);
    MakeLabel(IDC_LEV_REGISTER_LABEL, IDS_REGISTER_CUSTOM);
    MakeButton(save_, IDC_LEV_SAVE, IDS_SAVE);
    MakeLabel(IDC_LEV_CONFIRM_TEXT, IDS_REGISTER_QUESTION);
    MakeButton(ok_, IDC_LEV_CONFIRM_OK, IDS_OK, false);
    MakeButton(cancel_, IDC_LEV_CONFIRM_CANCEL, IDS_CANCEL, false);
    CloseConfirm(kLevelConfirm);

    // Two groups of three rows. The second and third track bars take their x
    // from the first row's channel label (the same column): their own label
    // is placed after them, from their y.
    const auto add_group = [this](int title, int above, int title_gap, const int(&labels)[3], const int(&bars)[3],
                                  const int(&boxes)[3]) {
        AddLayoutItem(title, Label(kLabelWidth, 40, above == 0 ? kAlignTop : kAlignBottom, title_gap), 0, above);
        AddLayoutItem(labels[0], {50, 50, 50, kAlignLeft, 60, kAlignBottom, 60}, 0, title);
        AddLayoutItem(bars[0], {600, 120, 0, kAlignRight, 20, kAlignCenterY, 0}, labels[0], labels[0]);
        AddLayoutItem(boxes[0], {300, 60, 0, kAlignRight, 12, kAlignCenterY, 0}, bars[0], bars[0]);
        for (std::size_t i = 1; i < 3; ++i) {
            AddLayoutItem(bars[i], {600, 120, 0, kAlignRight, 20, kAlignBottom, 30}, labels[0], bars[i - 1]);
            AddLayoutItem(boxes[i], {300, 60, 0, kAlignRight, 12, kAlignCenterY, 0}, bars[i], bars[i]);
            AddLayoutItem(labels[i], {50, 50, 50, kAlignLeft, 60, kAlignCenterY, 0}, 0, bars[i]);
        }
    };
    add_group(IDC_LEV_GAIN_LABEL, 0, 50, kGainLabelIds, kGainIds, kGainNumberIds);
    AddLayoutItem(IDC_LEV_LINE_1, {kRowWidth, 12, 0, kAlignCenterX, 0, kAlignBottom, 80}, 0, IDC_LEV_GAIN_B);
    add_group(IDC_LEV_SHIFT_LABEL, IDC_LEV_LINE_1, 80, kShiftLabelIds, kShiftIds, kShiftNumberIds);
    AddLayoutItem(IDC_LEV_LINE_2, {kRowWidth, 12, 0, kAlignCenterX, 0, kAlignBottom, 80}, 0, IDC_LEV_SHIFT_B);
    AddLayoutItem(IDC_LEV_REGISTER_LABEL, Label(kRowWidth, 40, kAlignBottom, 80), 0, IDC_LEV_LINE_2);
    AddLayoutItem(IDC_LEV_SAVE, {280, 80, 50, kAlignCenterX, 0, kAlignBottom, 60}, 0, IDC_LEV_REGISTER_LABEL);
    AddLayoutItem(IDC_LEV_CONFIRM_TEXT, Label(kRowWidth, 40, kAlignBottom, 120), 0, IDC_LEV_SAVE);
    AddLayoutItem(IDC_LEV_CONFIRM_OK, {280, 80, 50, kAlignLeft, 226, kAlignBottom, 60}, 0, IDC_LEV_CONFIRM_TEXT);
    AddLayoutItem(IDC_LEV_CONFIRM_CANCEL, {280, 80, 50, kAlignLeft, 592, kAlignCenterY, 0}, 0, IDC_LEV_CONFIRM_OK);
    Relayout();
    ShowStoredRecord();
    return true;
}

void LevelSettingView::ShowRecord(const ColorRecord& record) {
    for (std::size_t i = 0; i < 3; ++i) {
        if (gains_[i].IsWindow()) gains_[i].SetPos(record.drive_gain[i]);
        if (numbers_[i].IsWindow()) numbers_[i].SetValue(record.drive_gain[i], false);
        if (offsets_[i].IsWindow()) offsets_[i].SetPos(record.cutoff_offset[i]);
        if (numbers_[3 + i].IsWindow()) numbers_[3 + i].SetValue(record.cutoff_offset[i], false);
    }
}

void LevelSettingView::SendGain() {
    if (PlayListener() != nullptr) {
        PlayListener()->SetDriveGain(SliderPos(IDC_LEV_GAIN_R), SliderPos(IDC_LEV_GAIN_G), SliderPos(IDC_LEV_GAIN_B));
    }
}

void LevelSettingView::SendOffset() {
    if (PlayListener() != nullptr) {
        PlayListener()->SetCutoffOffset(SliderPos(IDC_LEV_SHIFT_R), SliderPos(IDC_LEV_SHIFT_G),
                                        SliderPos(IDC_LEV_SHIFT_B));
    }
}

void LevelSettingView::OnScroll(int id, int code) {
    if (!IsValueScroll(code)) return;
    if (IndexOf(kGainIds, id) >= 0) SendGain();
    if (IndexOf(kShiftIds, id) >= 0) SendOffset();
}

LRESULT LevelSettingView::OnNumber(int id, int value) {
    if (const int i = IndexOf(kGainNumberIds, id); i >= 0) {
        gains_[static_cast<std::size_t>(i)].SetPos(value);
        SendGain();
    } else if (const int k = IndexOf(kShiftNumberIds, id); k >= 0) {
        offsets_[static_cast<std::size_t>(k)].SetPos(value);
        SendOffset();
    }
    return 1;
}

void LevelSettingView::OnCommand(int id, int code) {
    if (code != BN_CLICKED) return;
    switch (id) {
        case IDC_LEV_SAVE: OpenConfirm(kLevelConfirm); break;
        case IDC_LEV_CONFIRM_OK:
            if (PlayListener() != nullptr) (void)PlayListener()->SaveLevelPreset(kCustomPreset);
            CloseConfirm(kLevelConfirm);
            break;
        case IDC_LEV_CONFIRM_CANCEL: CloseConfirm(kLevelConfirm); break;
        default: break;
    }
}

LRESULT LevelSettingView::HandleMessage(UINT msg, WPARAM w, LPARAM l) {
    switch (msg) {
        case msg::kNumberValue: return OnNumber(static_cast<int>(w), static_cast<int>(l));
        case WM_HSCROLL: OnScroll(GetDlgCtrlID(reinterpret_cast<HWND>(l)), LOWORD(w)); break;
        case WM_COMMAND: OnCommand(LOWORD(w), HIWORD(w)); return 0;
        default: break;
    }
    return BaseSettingView::HandleMessage(msg, w, l);
}

// ---- EtcSettingView --------------------------------------------------------

EtcSettingView::EtcSettingView(std::unique_ptr<IEtcProbes> probes)
    : BaseSettingView(IDD_ETC_SETTING_VIEW), probes_(std::move(probes)) {
    if (!probes_) probes_ = std::make_unique<SystemEtcProbes>();
}

bool EtcSettingView::OnInitDialog() {
    MakeLabel(IDC_ETC_CHANNEL_LABEL, IDS_CHANNEL);
    for (std::size_t i = 0; i < 3; ++i) {
        MakeButton(channels_[i], kChannelIds[i], kChannelTexts[i]);
        channels_[i].SetOnColors(kChannelOnColors[i]);
    }
    MakeLine(lines_[0], IDC_ETC_LINE_1);
    MakeLabel(IDC_ETC_VOLUME_LABEL, IDS_VOLUME);
    MakeSlider(volume_, IDC_ETC_VOLUME, 100, 0, 20);
    MakeNumber(volume_number_, IDC_ETC_VOLUME_NUMBER, 100, 0);
    MakeLabel(IDC_ETC_BRIGHTNESS_LABEL, IDS_BRIGHTNESS);
    MakeSlider(brightness_, IDC_ETC_BRIGHTNESS, 100, 0, 20);
    MakeNumber(brightness_number_, IDC_ETC_BRIGHTNESS_NUMBER, 100, 0);
    MakeLine(lines_[1], IDC_ETC_LINE_2);
    MakeLabel(IDC_ETC_STARTUP_1, IDS_STARTUP_1);
    MakeLabel(IDC_ETC_STARTUP_2, IDS_STARTUP_2);
    MakeLabel(IDC_ETC_STARTUP_3, IDS_STARTUP_3);
    MakeButton(startup_, IDC_ETC_STARTUP_CHECK, 0);
    startup_.SetOnImages(IDB_CHECK_OFF, IDB_CHECK_OFF, IDB_CHECK_OFF, IDB_CHECK_ON, IDB_CHECK_ON);
    MakeLabel(IDC_ETC_STARTUP_TEXT, IDS_STARTUP_REGISTER, SS_LEFT | SS_NOTIFY);
    MakeLine(lines_[2], IDC_ETC_LINE_3);
    MakeLabel(IDC_ETC_HIDE_1, IDS_HIDE_MENU_1);
    MakeLabel(IDC_ETC_HIDE_2, IDS_HIDE_MENU_2);
    MakeLabel(IDC_ETC_HIDE_3, IDS_HIDE_MENU_3);
    MakeButton(hide_, IDC_ETC_HIDE, IDS_HIDE);
    MakeLabel(IDC_ETC_CONFIRM_TEXT, IDS_HIDE_QUESTION);
    MakeButton(ok_, IDC_ETC_CONFIRM_OK, IDS_OK, false);
    MakeButton(cancel_, IDC_ETC_CONFIRM_CANCEL, IDS_CANCEL, false);
    CloseConfirm(kHideConfirm);

    AddLayoutItem(IDC_ETC_CHANNEL_LABEL, Label(kLabelWidth, 40, kAlignTop, 50));
    AddLayoutItem(IDC_ETC_CHANNEL_G, {200, 120, 50, kAlignCenterX, 0, kAlignBottom, 60}, 0, IDC_ETC_CHANNEL_LABEL);
    AddLayoutItem(IDC_ETC_CHANNEL_R, {200, 120, 50, kAlignLeft, 100, kAlignCenterY, 0}, IDC_ETC_CHANNEL_G,
                  IDC_ETC_CHANNEL_G);
    AddLayoutItem(IDC_ETC_CHANNEL_B, {200, 120, 50, kAlignRight, 100, kAlignCenterY, 0}, IDC_ETC_CHANNEL_G,
                  IDC_ETC_CHANNEL_G);
    AddLayoutItem(IDC_ETC_LINE_1, {kRowWidth, 12, 0, kAlignCenterX, 0, kAlignBottom, 80}, 0, IDC_ETC_CHANNEL_G);
    AddLayoutItem(IDC_ETC_VOLUME_LABEL, Label(kLabelWidth, 40, kAlignBottom, 80), 0, IDC_ETC_LINE_1);
    AddLayoutItem(IDC_ETC_VOLUME, {650, 120, 0, kAlignLeft, 40, kAlignBottom, 20}, 0, IDC_ETC_VOLUME_LABEL);
    AddLayoutItem(IDC_ETC_VOLUME_NUMBER, {300, 60, 0, kAlignRight, 12, kAlignCenterY, 0}, IDC_ETC_VOLUME,
                  IDC_ETC_VOLUME);
    AddLayoutItem(IDC_ETC_BRIGHTNESS_LABEL, Label(kLabelWidth, 40, kAlignBottom, 120), 0, IDC_ETC_VOLUME);
    AddLayoutItem(IDC_ETC_BRIGHTNESS, {650, 120, 0, kAlignLeft, 40, kAlignBottom, 20}, 0, IDC_ETC_BRIGHTNESS_LABEL);
    AddLayoutItem(IDC_ETC_BRIGHTNESS_NUMBER, {300, 60, 0, kAlignRight, 12, kAlignCenterY, 0}, IDC_ETC_BRIGHTNESS,
                  IDC_ETC_BRIGHTNESS);
    AddLayoutItem(IDC_ETC_LINE_2, {kRowWidth, 12, 0, kAlignCenterX, 0, kAlignBottom, 80}, 0, IDC_ETC_BRIGHTNESS);
    AddLayoutItem(IDC_ETC_STARTUP_1, Label(kRowWidth, 40, kAlignBottom, 80), 0, IDC_ETC_LINE_2);
    AddLayoutItem(IDC_ETC_STARTUP_2, Label(kRowWidth, 40, kAlignBottom, 0), 0, IDC_ETC_STARTUP_1);
    AddLayoutItem(IDC_ETC_STARTUP_3, Label(kRowWidth, 40, kAlignBottom, 0), 0, IDC_ETC_STARTUP_2);
    AddLayoutItem(IDC_ETC_STARTUP_CHECK, {60, 60, 0, kAlignLeft, 300, kAlignBottom, 60}, 0, IDC_ETC_STARTUP_3);
    // Kept inside the panel (the text needs about 650 units), so a click
    // beside the panel's edge is not the text's.
    AddLayoutItem(IDC_ETC_STARTUP_TEXT, {700, 50, 50, kAlignRight, 30, kAlignCenterY, 0}, IDC_ETC_STARTUP_CHECK,
                  IDC_ETC_STARTUP_CHECK);
    AddLayoutItem(IDC_ETC_LINE_3, {kRowWidth, 12, 0, kAlignCenterX, 0, kAlignBottom, 80}, 0, IDC_ETC_STARTUP_CHECK);
    AddLayoutItem(IDC_ETC_HIDE_1, Label(kRowWidth, 40, kAlignBottom, 80), 0, IDC_ETC_LINE_3);
    AddLayoutItem(IDC_ETC_HIDE_2, Label(kRowWidth, 40, kAlignBottom, 0), 0, IDC_ETC_HIDE_1);
    AddLayoutItem(IDC_ETC_HIDE_3, Label(kRowWidth, 40, kAlignBottom, 0), 0, IDC_ETC_HIDE_2);
    AddLayoutItem(IDC_ETC_HIDE, {280, 80, 50, kAlignCenterX, 0, kAlignBottom, 60}, 0, IDC_ETC_HIDE_3);
    AddLayoutItem(IDC_ETC_CONFIRM_TEXT, Label(kRowWidth, 40, kAlignBottom, 60), 0, IDC_ETC_HIDE);
    AddLayoutItem(IDC_ETC_CONFIRM_OK, {280, 80, 50, kAlignLeft, 226, kAlignBottom, 60}, 0, IDC_ETC_CONFIRM_TEXT);
    AddLayoutItem(IDC_ETC_CONFIRM_CANCEL, {280, 80, 50, kAlignLeft, 592, kAlignCenterY, 0}, 0, IDC_ETC_CONFIRM_OK);
    Relayout();
    ShowStoredRecord();

    (void)startup_.SetState(probes_->StartupRegistered(), false);
    if (probes_->OpenVolume(Handle())) ReadVolume();
    ReadBrightness();
    return true;
}

void EtcSettingView::ShowRecord(const ColorRecord& record) {
    const std::array<bool, 3> shown = ChannelsShown(record.color_mute);
    for (std::size_t i = 0; i < 3; ++i) {
        if (channels_[i].IsWindow()) (void)channels_[i].SetState(shown[i], false);
    }
}

LRESULT EtcSettingView::OnChannelState(int id) {
    const int changed = IndexOf(kChannelIds, id);
    if (changed < 0) return 0;
    const std::array<bool, 3> pressed{channels_[0].IsOn(), channels_[1].IsOn(), channels_[2].IsOn()};
    const ChannelToggleOutcome outcome = ChannelToggled(pressed, changed);
    if (outcome.mute && PlayListener() != nullptr) {
        PlayListener()->SetColorMute((*outcome.mute)[0], (*outcome.mute)[1], (*outcome.mute)[2]);
    }
    if (outcome.press_again) (void)channels_[static_cast<std::size_t>(*outcome.press_again)].SetState(true, false);
    return 0;
}

void EtcSettingView::OnScroll(int id, int code) {
    if (!IsValueScroll(code)) return;
    if (id == IDC_ETC_VOLUME) {
        const int pos = SliderPos(IDC_ETC_VOLUME);
        (void)probes_->SetVolume(static_cast<std::uint32_t>(pos));
        volume_number_.SetValue(pos, false);
    } else if (id == IDC_ETC_BRIGHTNESS) {
        const int pos = SliderPos(IDC_ETC_BRIGHTNESS);
        (void)probes_->SetBrightness(static_cast<std::uint32_t>(pos));
        brightness_number_.SetValue(pos, false);
    }
}

LRESULT EtcSettingView::OnNumber(int id, int value) {
    if (id == IDC_ETC_VOLUME_NUMBER) {
        volume_.SetPos(value);
        (void)probes_->SetVolume(static_cast<std::uint32_t>(value));
    } else if (id == IDC_ETC_BRIGHTNESS_NUMBER) {
        brightness_.SetPos(value);
        (void)probes_->SetBrightness(static_cast<std::uint32_t>(value));
    }
    return 1;
}

void EtcSettingView::ReadVolume() {
    const std::optional<std::uint32_t> percent = probes_->ReadVolume();
    if (!percent) return;
    volume_.SetPos(static_cast<int>(*percent));
    volume_number_.SetValue(static_cast<int>(*percent), false);
}

void EtcSettingView::ReadBrightness() {
    const std::optional<std::uint32_t> value = probes_->ReadBrightness();
    if (!value) return;
    brightness_.SetPos(static_cast<int>(*value));
    brightness_number_.SetValue(static_cast<int>(*value), false);
}

void EtcSettingView::ToggleStartup() {
    if (probes_->StartupRegistered()) {
        (void)probes_->UnregisterStartup();
    } else {
        (void)probes_->RegisterStartup();
    }
    (void)startup_.SetState(probes_->StartupRegistered(), false);
}

void EtcSettingView::OnCommand(int id, int code) {
    // BN_CLICKED and STN_CLICKED are both 0.
    if (code != BN_CLICKED) return;
    switch (id) {
        case IDC_ETC_STARTUP_CHECK:
        case IDC_ETC_STARTUP_TEXT: ToggleStartup(); break;
        case IDC_ETC_HIDE: OpenConfirm(kHideConfirm); break;
        case IDC_ETC_CONFIRM_OK:
            if (ScreenModeListener() != nullptr) ScreenModeListener()->ChangeControlsVisible(0);
            CloseConfirm(kHideConfirm);
            break;
        case IDC_ETC_CONFIRM_CANCEL: CloseConfirm(kHideConfirm); break;
        default: break;
    }
}

LRESULT EtcSettingView::HandleMessage(UINT msg, WPARAM w, LPARAM l) {
    switch (msg) {
        case msg::kToggleState: return OnChannelState(static_cast<int>(w));
        case msg::kNumberValue: return OnNumber(static_cast<int>(w), static_cast<int>(l));
        case MM_MIXM_CONTROL_CHANGE: ReadVolume(); return 0;
        case WM_HSCROLL: OnScroll(GetDlgCtrlID(reinterpret_cast<HWND>(l)), LOWORD(w)); break;
        case WM_COMMAND: OnCommand(LOWORD(w), HIWORD(w)); return 0;
        default: break;
    }
    return BaseSettingView::HandleMessage(msg, w, l);
}

// ---- Factory -----------------------------------------------------------------

SettingSplitterWnd::Factory SettingViewsFactory(EtcProbesMaker make_probes) {
    return [make_probes](SettingSplitterWnd& splitter, fw::PaneFrame& tabs, fw::PaneFrame& views,
                         const ViewInitArgs& args) {
        auto bar = std::make_unique<SettingControllerView>();
        if (bar->Create(tabs.Handle(), kPaneId)) {
            bar->Initialize(args);
            bar->SetListener(&splitter);
            splitter.SetTabBar(std::move(bar));
        }
        const auto add = [&](std::vector<int> keys, std::unique_ptr<BaseSettingView> view) {
            if (!view->Create(views.Handle(), kPaneId)) return;
            view->Initialize(args);
            splitter.AddSettingView(std::move(keys), std::move(view));
        };
        add({0, kSettingTabBalance}, std::make_unique<BalanceSettingView>());
        add({kSettingTabLevel}, std::make_unique<LevelSettingView>());
        add({kSettingTabEtc}, std::make_unique<EtcSettingView>(make_probes ? make_probes() : nullptr));
        // The balance tab is pressed at the start, so its view is the one shown.
        splitter.OnSettingViewChanged(0);
    };
}

void MakeSettingViews(SettingSplitterWnd& splitter, fw::PaneFrame& tabs, fw::PaneFrame& views,
                      const ViewInitArgs& args) {
    SettingViewsFactory(nullptr)(splitter, tabs, views, args);
}

}  // namespace vistrel
