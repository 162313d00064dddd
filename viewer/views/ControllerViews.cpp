#include "viewer/views/ControllerViews.h"

#include <cstring>

#include "viewer/app/FrameListeners.h"
#include "viewer/app/WaveformSource.h"
#include "viewer/core/ColorPresets.h"
#include "viewer/core/Messages.h"
#include "viewer/core/ViewTargets.h"
#include "viewer/framework/Resources.h"
#include "viewer/res/resource.h"

namespace vistrel {
namespace {

constexpr ControllerBarIds kPlayIds{
    IDC_BAR_FULL_SCREEN,
    {IDC_BAR_BALANCE_1, IDC_BAR_BALANCE_2, IDC_BAR_BALANCE_3, IDC_BAR_BALANCE_4},
    {IDC_BAR_LEVEL_1, IDC_BAR_LEVEL_2, IDC_BAR_LEVEL_3, IDC_BAR_LEVEL_4},
    IDC_BAR_PAUSE,
    IDC_BAR_CAPTURE,
    IDC_BAR_FOLDER,
    IDC_BAR_WAVEFORM,
    IDC_BAR_SETTING,
    IDC_BAR_ZOOM,
    IDC_BAR_ZOOM_TEXT,
    {IDC_BAR_METER_0, IDC_BAR_METER_1},
    {IDC_BAR_L, IDC_BAR_R},
    {IDC_BAR_LINE_1, IDC_BAR_LINE_2, IDC_BAR_LINE_3},
    IDC_BAR_BALANCE_LABEL,
    IDC_BAR_LEVEL_LABEL,
};

constexpr ControllerBarIds kErrorIds{
    IDC_EBAR_FULL_SCREEN,
    {IDC_EBAR_BALANCE_1, IDC_EBAR_BALANCE_2, IDC_EBAR_BALANCE_3, IDC_EBAR_BALANCE_4},
    {IDC_EBAR_LEVEL_1, IDC_EBAR_LEVEL_2, IDC_EBAR_LEVEL_3, IDC_EBAR_LEVEL_4},
    IDC_EBAR_PAUSE,
    IDC_EBAR_CAPTURE,
    IDC_EBAR_FOLDER,
    IDC_EBAR_WAVEFORM,
    IDC_EBAR_SETTING,
    IDC_EBAR_ZOOM,
    IDC_EBAR_ZOOM_TEXT,
    {IDC_EBAR_METER_0, IDC_EBAR_METER_1},
    {IDC_EBAR_L, IDC_EBAR_R},
    {IDC_EBAR_LINE_1, IDC_EBAR_LINE_2, IDC_EBAR_LINE_3},
    IDC_EBAR_BALANCE_LABEL,
    IDC_EBAR_LEVEL_LABEL,
};

constexpr UINT kBalanceTexts[4] = {IDS_CURVE_22, IDS_CURVE_24, IDS_CURVE_LOG, IDS_CUSTOM};
constexpr UINT kLevelTexts[4] = {IDS_LEVEL_LOW, IDS_LEVEL_MIDDLE, IDS_LEVEL_HIGH, IDS_CUSTOM};
constexpr int kWaveIds[4] = {IDC_BAR_WAVE_0, IDC_BAR_WAVE_1, IDC_BAR_WAVE_2, IDC_BAR_WAVE_3};

// Every control is placed by the layout; this is only its first rectangle.
constexpr RECT kFirstRect{0, 0, 10, 10};
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

// The navigator marks fractions of the picture; any extent of its shape does.
constexpr controls::ZoomState kPictureExtent{0, 0, 1920, 1080, 0.5, 0.5, 1.0};

HWND MakeStatic(HWND parent, int id, const std::wstring& text, DWORD align) {
    return CreateWindowExW(0, L"STATIC", text.c_str(), kChild | SS_NOPREFIX | SS_CENTERIMAGE | align, 0, 0, 10, 10,
                           parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), fw::ResourceInstance(), nullptr);
}

}  // namespace

// ---- CControllerBarView ----------------------------------------------------

CControllerBarView::CControllerBarView(UINT templateId, const ControllerBarIds& ids)
    : CBaseControllerView(templateId), ids_(ids) {
    color_notificator_.SetListener([this](ColorSettingChangedEventArgs e) { OnColorSettingChanged(e); });
}

CControllerBarView::~CControllerBarView() { color_notificator_.SetListener(nullptr); }

void CControllerBarView::Initialize(const ViewInitArgs& args) {
    CBaseControllerView::Initialize(args);
    play_ = args.play;
}

bool CControllerBarView::CreateBarControls(bool disabled) {
    HWND self = Handle();
    const DWORD style = kChild | WS_TABSTOP | (disabled ? WS_DISABLED : 0);
    bool made = full_screen_.Create(self, ids_.full_screen, fw::LoadResString(IDS_FULL_SCREEN).c_str(), kFirstRect,
                                    kChild | WS_TABSTOP);
    full_screen_.SetButtonFont();
    for (std::size_t i = 0; i < 4; ++i) {
        made = balance_[i].Create(self, ids_.balance[i], fw::LoadResString(kBalanceTexts[i]).c_str(), kFirstRect,
                                  style) && made;
        balance_[i].SetGroupName(L"PresetRadioButtonGroup");
        balance_[i].SetButtonFont();
        made = level_[i].Create(self, ids_.level[i], fw::LoadResString(kLevelTexts[i]).c_str(), kFirstRect, style) &&
               made;
        level_[i].SetGroupName(L"ColorTempRadioButtonGroup");
        level_[i].SetButtonFont();
    }
    made = pause_.Create(self, ids_.pause, L"", kFirstRect, style) && made;
    pause_.SetOnImages(IDB_PAUSE, IDB_PLAY, IDB_PAUSE_DISABLED, IDB_PLAY, IDB_PAUSE_DISABLED);
    made = capture_.Create(self, ids_.capture, L"", kFirstRect, style) && made;
    capture_.SetImages(IDB_CAMERA, IDB_CAMERA_PRESSED, IDB_CAMERA_DISABLED, controls::ImageMode::Fills);
    made = folder_.Create(self, ids_.folder, L"", kFirstRect, style) && made;
    folder_.SetImages(IDB_FOLDER, IDB_FOLDER_PRESSED, IDB_FOLDER_DISABLED, controls::ImageMode::Fills);
    made = waveform_.Create(self, ids_.waveform, L"", kFirstRect, style) && made;
    waveform_.SetImages(IDB_WAVEFORM, IDB_WAVEFORM_PRESSED, IDB_WAVEFORM_DISABLED, controls::ImageMode::Fills);
    made = setting_.Create(self, ids_.setting, fw::LoadResString(IDS_SETTING).c_str(), kFirstRect, style) && made;
    setting_.SetButtonFont();
    made = zoom_.Create(self, ids_.zoom, kFirstRect, kChild | (disabled ? WS_DISABLED : 0)) && made;
    for (std::size_t i = 0; i < 2; ++i) {
        meters_[i].SetChannel(static_cast<int>(i));
        made = meters_[i].Create(self, ids_.meters[i], kFirstRect) && made;
    }
    for (std::size_t i = 0; i < 3; ++i) made = lines_[i].Create(self, ids_.lines[i], kFirstRect) && made;

    // The statics: zoom text (empty in the message bar until a record comes), L, R and the group labels.
    MakeStatic(self, ids_.zoom_text, L"", SS_CENTER);
    MakeStatic(self, ids_.channel_labels[0], fw::LoadResString(IDS_LEFT), SS_CENTER);
    MakeStatic(self, ids_.channel_labels[1], fw::LoadResString(IDS_RIGHT), SS_CENTER);
    MakeStatic(self, ids_.balance_label, fw::LoadResString(IDS_BALANCE), SS_LEFT);
    MakeStatic(self, ids_.level_label, fw::LoadResString(IDS_LEVEL), SS_LEFT);
    const int statics[5] = {ids_.zoom_text, ids_.channel_labels[0], ids_.channel_labels[1], ids_.balance_label,
                            ids_.level_label};
    for (std::size_t i = 0; i < 5; ++i) {
        if (HWND s = Item(statics[i]); s != nullptr) {
            fonts_[i] = MakeTextFont();
            SendMessageW(s, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_[i].Get()), TRUE);
        } else {
            made = false;
        }
    }
    return made;
}

// The bar's items after the waveform displays (the play bar adds those first),
// in the order they anchor each other.
void CControllerBarView::AddBarLayout(int notice_id) {
    const ControllerBarIds& d = ids_;
    AddLayoutItem(d.full_screen, {350, 80, 50, kAlignLeft, 50, kAlignBottom, 50});
    AddLayoutItem(d.lines[0], {12, 180, 0, kAlignRight, 40, kAlignCenterY, 0}, d.full_screen);
    if (notice_id != 0) AddLayoutItem(notice_id, {1000, 40, 40, kAlignRight, 40, kAlignCenterY, 0}, d.lines[0]);
    AddLayoutItem(d.balance_label, {740, 40, 40, kAlignRight, 40, kAlignTop, 10}, d.lines[0]);
    AddLayoutItem(d.balance[0], {170, 120, 50, kAlignRight, 40, kAlignBottom, 10}, d.lines[0]);
    for (std::size_t i = 1; i < 4; ++i) {
        AddLayoutItem(d.balance[i], {170, 120, 50, kAlignRight, 20, kAlignBottom, 10}, d.balance[i - 1]);
    }
    AddLayoutItem(d.lines[1], {12, 180, 0, kAlignRight, 40, kAlignCenterY, 0}, d.balance[3]);
    AddLayoutItem(d.level_label, {740, 40, 40, kAlignRight, 40, kAlignTop, 10}, d.lines[1]);
    AddLayoutItem(d.level[0], {170, 120, 50, kAlignRight, 40, kAlignBottom, 10}, d.lines[1]);
    for (std::size_t i = 1; i < 4; ++i) {
        AddLayoutItem(d.level[i], {170, 120, 50, kAlignRight, 20, kAlignBottom, 10}, d.level[i - 1]);
    }
    AddLayoutItem(d.lines[2], {12, 180, 0, kAlignRight, 40, kAlignCenterY, 0}, d.level[3]);
    AddLayoutItem(d.pause, {100, 100, 50, kAlignRight, 40, kAlignBottom, 30}, d.lines[2]);
    AddLayoutItem(d.capture, {100, 100, 50, kAlignRight, 20, kAlignBottom, 30}, d.pause);
    AddLayoutItem(d.folder, {100, 100, 50, kAlignRight, 20, kAlignBottom, 30}, d.capture);
    AddLayoutItem(d.waveform, {100, 100, 50, kAlignRight, 20, kAlignBottom, 30}, d.folder);
    AddLayoutItem(d.setting, {280, 80, 50, kAlignRight, 50, kAlignCenterY, 0});
    AddLayoutItem(d.zoom_text, {100, 50, 50, kAlignLeft, 20, kAlignBottom, 5}, d.setting);
    AddLayoutItem(d.zoom, {320, 170, 0, kAlignLeft, 20, kAlignCenterY, 0}, d.zoom_text);
    AddLayoutItem(d.meters[0], {240, 20, 0, kAlignLeft, 90, kAlignTop, 60}, d.zoom);
    AddLayoutItem(d.meters[1], {240, 20, 0, kAlignLeft, 90, kAlignBottom, 60}, d.zoom);
    AddLayoutItem(d.channel_labels[0], {30, 30, 30, kAlignLeft, 0, kAlignTop, 55}, d.meters[0]);
    AddLayoutItem(d.channel_labels[1], {30, 30, 30, kAlignLeft, 0, kAlignBottom, 55}, d.meters[1]);
}

void CControllerBarView::ShowControl(int id, bool shown) const {
    // The control's own flag: IsWindowVisible also answers for the ancestors,
    // and the frame is "invisible" while a screen-mode change holds its
    // redrawing, so the controls a window hides stayed on.
    const auto own = [](HWND c) { return (GetWindowLongPtrW(c, GWL_STYLE) & WS_VISIBLE) != 0; };
    if (HWND c = Item(id); c != nullptr && own(c) != shown) {
        ShowWindow(c, shown ? SW_SHOW : SW_HIDE);
    }
}

void CControllerBarView::EnableControl(int id, bool enabled) const {
    if (HWND c = Item(id); c != nullptr && (IsWindowEnabled(c) != FALSE) != enabled) EnableWindow(c, enabled);
}

void CControllerBarView::ApplyFullScreenLook(bool full_screen, bool tablet) {
    if (!full_screen_.IsWindow()) return;
    const UINT image = full_screen ? IDB_NORMAL_SCREEN : IDB_FULL_SCREEN;
    full_screen_.SetImages(image, image, IDB_SCREEN_DISABLED);
    full_screen_.SetCaption(fw::LoadResString(full_screen ? IDS_NORMAL_SCREEN : IDS_FULL_SCREEN));
    EnableControl(ids_.full_screen, !tablet);
}

void CControllerBarView::SetSettingViewVisible(int visible) {
    if (setting_.IsWindow()) (void)setting_.SetState(visible != 0, false);
}

void CControllerBarView::OnColorSettingChanged(const ColorSettingChangedEventArgs& e) {
    if (e.selection == nullptr) return;
    const auto& selection = *static_cast<const PresetSelection*>(e.selection);
    balance_index_ = selection.balance;
    level_index_ = selection.level;
    ApplyPresetChecks();
}

void CControllerBarView::ApplyPresetChecks() {
    const auto apply = [](std::array<RadioButton, 4>& group, int index) {
        if (index == 0) {
            for (RadioButton& b : group) {
                if (b.IsWindow()) (void)b.SetState(false, false);
            }
        } else if (index >= 1 && index <= 4 && group[static_cast<std::size_t>(index - 1)].IsWindow()) {
            // The radio group switches the others off.
            (void)group[static_cast<std::size_t>(index - 1)].SetState(true, false);
        }
    };
    apply(balance_, balance_index_);
    apply(level_, level_index_);
}

void CControllerBarView::UpdateMeters() {
    const bool on = IsAudioOn(PlayCode());
    for (AudioLevelMeterControl& m : meters_) {
        if (!m.IsWindow()) continue;
        if (on) m.Start();
        else m.Stop();
    }
}

void CControllerBarView::ResetZoom() const {
    if (play_ != nullptr) play_->OnZoomChanged(Rect{}, nullptr, 1.0);
}

void CControllerBarView::OnDisplayInfoChanged(const DisplayInfo& info) {
    const DisplayInfo old = GetDisplayInfo();
    CBaseControllerView::OnDisplayInfoChanged(info);
    if (old.full_screen != info.full_screen || old.tablet != info.tablet) UpdateControls();
    if (HWND text = Item(ids_.zoom_text); text != nullptr) SetWindowTextW(text, ZoomText(info.zoom).c_str());
    if (zoom_.IsWindow()) {
        controls::ZoomState z = kPictureExtent;
        z.fx = info.center_x;
        z.fy = info.center_y;
        z.zoom = info.zoom;
        zoom_.Update(z, info);
    }
    const controls::LayoutState layout = controls::LayoutOf(info);
    const auto pass = [&](CBitmapButtonEx& b) {
        if (b.IsWindow()) b.SetLayoutState(layout);
    };
    pass(full_screen_);
    for (auto& b : balance_) pass(b);
    for (auto& b : level_) pass(b);
    pass(pause_);
    pass(capture_);
    pass(folder_);
    pass(waveform_);
    pass(setting_);
    for (auto& l : lines_) {
        if (l.IsWindow()) l.SetLayoutState(layout);
    }
}

std::optional<LRESULT> CControllerBarView::OnCtlColor(HDC dc, HWND child) {
    wchar_t cls[16] = {};
    GetClassNameW(child, cls, 16);
    if (lstrcmpiW(cls, L"Static") != 0) return std::nullopt;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    return reinterpret_cast<LRESULT>(BackgroundBrush());
}

// ---- CVideoPlayControllerView ----------------------------------------------

CVideoPlayControllerView::CVideoPlayControllerView(int waveform_refresh_ms, int tablet_notice_ms)
    : CControllerBarView(IDD_VIDEO_PLAY_CONTROLLER_VIEW, kPlayIds),
      waveform_timer_(waveform_refresh_ms),
      notice_timer_(tablet_notice_ms) {
    hdmi_notificator_.SetListener([this](HdmiInfoChangedEventArgs e) {
        if (e.info != nullptr) OnHdmiInfoChanged(*static_cast<const CpwHdmiInfo*>(e.info));
    });
    waveform_timer_.SetListener([this](UIThreadTimer::TickEventArgs) { OnWaveformTimer(); });
    notice_timer_.SetListener([this](UIThreadTimer::TickEventArgs) { OnTabletNoticeTimer(); });
}

CVideoPlayControllerView::~CVideoPlayControllerView() {
    hdmi_notificator_.SetListener(nullptr);
    waveform_timer_.SetListener(nullptr);
    notice_timer_.SetListener(nullptr);
}

void CVideoPlayControllerView::Initialize(const ViewInitArgs& args) {
    CControllerBarView::Initialize(args);
    args_ = args;
}

bool CVideoPlayControllerView::OnInitDialog() {
    HWND self = Handle();
    for (std::size_t i = 0; i < 4; ++i) {
        if (waves_[i].Create(self, kWaveIds[i], kFirstRect)) waves_[i].SetKind(static_cast<int>(i));
    }
    (void)back_.Create(self, IDC_BAR_BACK, L"", kFirstRect);
    back_.SetImages(IDB_BACK, IDB_BACK_PRESSED, IDB_BACK_DISABLED, controls::ImageMode::Fills);
    (void)CreateBarControls(false);
    MakeStatic(self, IDC_BAR_TABLET_NOTICE, fw::LoadResString(IDS_TABLET_NOTICE), SS_LEFT);
    if (HWND notice = Item(IDC_BAR_TABLET_NOTICE); notice != nullptr) {
        fonts_[5] = MakeTextFont();
        SendMessageW(notice, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_[5].Get()), TRUE);
        ShowWindow(notice, SW_HIDE);
    }

    AddLayoutItem(IDC_BAR_WAVE_0, {740, 161, 0, kAlignLeft, 10, kAlignCenterY, 0});
    for (int i = 1; i < 4; ++i) {
        AddLayoutItem(kWaveIds[i], {740, 161, 0, kAlignRight, 10, kAlignCenterY, 0}, kWaveIds[i - 1]);
    }
    AddLayoutItem(IDC_BAR_BACK, {100, 100, 0, kAlignRight, 140, kAlignCenterY, 0});
    AddBarLayout(IDC_BAR_TABLET_NOTICE);
    Relayout();
    ApplyPresetChecks();
    UpdateControls();
    return true;
}

void CVideoPlayControllerView::UpdateControls() {
    if (!IsWindow()) return;
    const DisplayInfo& info = GetDisplayInfo();
    const ControllerBarLook look =
        PlayBarLook({info.full_screen != 0, info.tablet != 0, PlayCode(), hdmi_.detect_hdcp != 0});
    const ControllerBarIds& d = ids_;
    ShowControl(d.full_screen, look.full_screen_button_shown);
    ShowControl(d.zoom, look.zoom_shown);
    ShowControl(d.zoom_text, look.zoom_shown);
    for (int id : kWaveIds) ShowControl(id, look.waveforms_shown);
    ShowControl(IDC_BAR_BACK, look.waveforms_shown);
    for (int id : {d.setting, d.channel_labels[0], d.channel_labels[1], d.balance_label, d.level_label, d.pause,
                   d.capture, d.folder, d.waveform, d.meters[0], d.meters[1]}) {
        ShowControl(id, look.controls_shown);
    }
    for (int id : d.balance) ShowControl(id, look.controls_shown);
    for (int id : d.level) ShowControl(id, look.controls_shown);
    for (int id : d.lines) ShowControl(id, look.controls_shown);

    EnableControl(d.waveform, look.waveform_enabled);
    EnableControl(d.pause, look.pause_enabled);
    if (pause_.IsWindow()) (void)pause_.SetState(look.pause_pressed, false);
    EnableControl(d.capture, look.capture_enabled);
    ApplyFullScreenLook(look.full_screen_look, info.tablet != 0);
}

void CVideoPlayControllerView::SetPlayCode(int code) {
    CControllerBarView::SetPlayCode(code);
    waveform_mode_ = IsWaveformMode(code);
    if (waveform_mode_) {
        (void)waveform_timer_.Start();
    } else {
        waveform_timer_.Stop();
    }
    UpdateMeters();
    UpdateControls();
}

void CVideoPlayControllerView::OnDisplayInfoChanged(const DisplayInfo& info) {
    CControllerBarView::OnDisplayInfoChanged(info);
    // Each record in tablet mode shows the notice for its full time again.
    if (info.tablet != 0) {
        notice_timer_.Stop();
        (void)notice_timer_.Start();
        ShowControl(IDC_BAR_TABLET_NOTICE, true);
    } else {
        notice_timer_.Stop();
        ShowControl(IDC_BAR_TABLET_NOTICE, false);
    }
}

void CVideoPlayControllerView::OnTabletNoticeTimer() {
    ShowControl(IDC_BAR_TABLET_NOTICE, false);
    notice_timer_.Stop();
}

void CVideoPlayControllerView::OnHdmiInfoChanged(const CpwHdmiInfo& info) {
    hdmi_ = info;
    if (waveform_mode_ && info.detect_hdcp != 0 && ScreenModeListener() != nullptr) {
        ScreenModeListener()->SetSecondPlayMode(0);
    }
    UpdateControls();
}

void CVideoPlayControllerView::OnWaveformTimer() {
    if (args_.get_capture_data == nullptr || args_.release_capture_data == nullptr) return;
    std::array<std::uint8_t*, 4> blocks{};
    for (std::size_t i = 0; i < 4; ++i) {
        blocks[i] = waves_[i].Data();
        if (blocks[i] == nullptr) return;
    }
    const WaveformSource source(CaptureDataAccessors{args_.get_capture_data, args_.release_capture_data});
    // No frame to borrow (the movie has not started yet): the displays keep
    // what they show.
    if (!source.Convert(blocks[0], blocks[1], blocks[2], blocks[3])) return;
    for (std::size_t i = 0; i < 4; ++i) {
        // The display reads columns past the frame's width when the frame is
        // narrower than 1280; those must not keep a wider frame's counts.
        const std::size_t columns = static_cast<std::size_t>(blocks[i][0] | (blocks[i][1] << 8));
        if (columns < static_cast<std::size_t>(controls::kWaveColumns)) {
            const std::size_t from = controls::kWaveBinsOffset + columns * controls::kWaveLevels * 2;
            std::memset(blocks[i] + from, 0, controls::kWaveBlockBytes - from);
        }
        waves_[i].Render();
        InvalidateRect(waves_[i].Handle(), nullptr, FALSE);
    }
}

void CVideoPlayControllerView::OnCaptureStill() {
    EnableControl(ids_.capture, false);
    if (PlayListener() != nullptr) PlayListener()->CaptureStill();
    // Enabled again whatever the capture's outcome (the state machine reports
    // a failure), unless a protected input arrived meanwhile.
    EnableControl(ids_.capture, hdmi_.detect_hdcp == 0);
}

LRESULT CVideoPlayControllerView::OnCommand(int id, int code) {
    if (code != BN_CLICKED) return 0;
    IVideoPlayListner* play = PlayListener();
    ScreenModeChangeListner* screen = ScreenModeListener();
    for (int i = 0; i < 4; ++i) {
        if (id == ids_.balance[static_cast<std::size_t>(i)] && play != nullptr) play->SelectBalancePreset(i + 1);
        if (id == ids_.level[static_cast<std::size_t>(i)] && play != nullptr) play->SelectLevelPreset(i + 1);
    }
    switch (id) {
        case IDC_BAR_FULL_SCREEN:
            if (screen != nullptr) screen->ChangeScreenMode(GetDisplayInfo().full_screen);
            ResetZoom();
            break;
        case IDC_BAR_CAPTURE: OnCaptureStill(); break;
        case IDC_BAR_FOLDER:
            if (play != nullptr) play->OpenCaptureFolder();
            ResetZoom();
            break;
        case IDC_BAR_WAVEFORM:
            if (screen != nullptr) screen->SetSecondPlayMode(1);
            break;
        case IDC_BAR_BACK:
            if (screen != nullptr) screen->SetSecondPlayMode(0);
            break;
        default: break;
    }
    return 0;
}

LRESULT CVideoPlayControllerView::OnToggleState(int id, LPARAM state) {
    if (id == IDC_BAR_SETTING && ScreenModeListener() != nullptr) {
        ScreenModeListener()->ChangeSettingViewVisible(state != 0 ? 1 : 0);
    } else if (id == IDC_BAR_PAUSE && PlayListener() != nullptr) {
        PlayListener()->SetFirstPlayMode(state != 0 ? 1 : 0);
    }
    return 0;
}

LRESULT CVideoPlayControllerView::HandleMessage(UINT msg, WPARAM w, LPARAM l) {
    switch (msg) {
        case WM_COMMAND: return OnCommand(LOWORD(w), HIWORD(w));
        case msg::kToggleState: return OnToggleState(static_cast<int>(w), l);
        case WM_DESTROY: {
            const LRESULT r = CControllerBarView::HandleMessage(msg, w, l);
            waveform_timer_.Stop();
            notice_timer_.Stop();
            return r;
        }
        default: break;
    }
    return CControllerBarView::HandleMessage(msg, w, l);
}

// ---- CVideoErrorControllerView ---------------------------------------------

CVideoErrorControllerView::CVideoErrorControllerView(int kind)
    : CControllerBarView(IDD_VIDEO_ERROR_CONTROLLER_VIEW, kErrorIds), kind_(kind) {}

bool CVideoErrorControllerView::OnInitDialog() {
    (void)CreateBarControls(true);
    AddBarLayout(0);
    Relayout();
    ApplyPresetChecks();
    UpdateControls();
    return true;
}

void CVideoErrorControllerView::UpdateControls() {
    if (!IsWindow()) return;
    const DisplayInfo& info = GetDisplayInfo();
    const bool shown = info.full_screen != 0;
    for (HWND c = GetWindow(Handle(), GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        if (GetDlgCtrlID(c) != ids_.full_screen) ShowControl(GetDlgCtrlID(c), shown);
    }
    ApplyFullScreenLook(shown, info.tablet != 0);
}

void CVideoErrorControllerView::SetPlayCode(int code) {
    if (code == PlayCode()) return;
    if (pause_.IsWindow()) (void)pause_.SetState(code == 2, false);
    CControllerBarView::SetPlayCode(code);
    UpdateMeters();
}

LRESULT CVideoErrorControllerView::HandleMessage(UINT msg, WPARAM w, LPARAM l) {
    switch (msg) {
        case WM_COMMAND:
            if (LOWORD(w) == IDC_EBAR_FULL_SCREEN && HIWORD(w) == BN_CLICKED) {
                if (ScreenModeListener() != nullptr) ScreenModeListener()->ChangeScreenMode(GetDisplayInfo().full_screen);
                ResetZoom();
            }
            return 0;
        case msg::kToggleState:
            if (static_cast<int>(w) == IDC_EBAR_SETTING && ScreenModeListener() != nullptr) {
                ScreenModeListener()->ChangeSettingViewVisible(l != 0 ? 1 : 0);
            }
            return 0;
        default: break;
    }
    return CControllerBarView::HandleMessage(msg, w, l);
}

// ---- Factory -----------------------------------------------------------------

std::unique_ptr<CBaseControllerView> MakeControllerView(int controller_key) {
    if (controller_key == kControllerPlay) return std::make_unique<CVideoPlayControllerView>();
    for (int kind = kFirstMessageKind; kind <= kLastMessageKind; ++kind) {
        if (ControllerKeyOfMessageKind(kind) == controller_key) return std::make_unique<CVideoErrorControllerView>(kind);
    }
    return std::make_unique<CVideoBlankControllerView>();
}

}  // namespace vistrel
