#include "viewer/views/CaptionView.h"

#include "viewer/core/CaptionText.h"
#include "viewer/framework/Resources.h"
#include "viewer/res/resource.h"

namespace vistrel {
namespace {

constexpr int kStaticIds[4] = {IDC_CAPTION_SIGNAL, IDC_CAPTION_POWER, IDC_CAPTION_HDCP, IDC_CAPTION_APP_NAME};

// GUID_ACDC_POWER_SOURCE, written out so no GUID library is needed.
constexpr GUID kAcDcPowerSource = {0x5D3E9A59, 0xE9D5, 0x4B00, {0xA6, 0xBD, 0xFF, 0x34, 0xFF, 0x51, 0x65, 0x48}};

}  // namespace

CVideoCaptionView::CVideoCaptionView() : CBaseCaptionView(IDD_VIDEO_CAPTION_VIEW) {
    hdmi_notificator_.SetListener([this](HdmiInfoChangedEventArgs e) {
        if (e.info != nullptr) OnHdmiInfoChanged(*static_cast<const CpwHdmiInfo*>(e.info));
    });
    power_timer_.SetListener([this](UIThreadTimer::TickEventArgs) { UpdatePowerText(); });
}

CVideoCaptionView::~CVideoCaptionView() {
    hdmi_notificator_.SetListener(nullptr);
    power_timer_.SetListener(nullptr);
}

bool CVideoCaptionView::OnInitDialog() {
    power_notify_.Reset(RegisterPowerSettingNotification(Handle(), &kAcDcPowerSource, DEVICE_NOTIFY_WINDOW_HANDLE));
    SetDlgItemTextW(Handle(), IDC_CAPTION_POWER, fw::LoadResString(IDS_INTERNAL_BATTERY).c_str());
    SetDlgItemTextW(Handle(), IDC_CAPTION_HDCP, fw::LoadResString(IDS_HDCP_MARK).c_str());
    SetDlgItemTextW(Handle(), IDC_CAPTION_APP_NAME, fw::LoadResString(IDS_APP_TITLE).c_str());
    for (std::size_t i = 0; i < fonts_.size(); ++i) {
        if (HWND control = Item(kStaticIds[i]); control != nullptr) {
            fonts_[i] = MakeTextFont();
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_[i].Get()), TRUE);
        }
    }
    if (HWND close = Item(IDC_CAPTION_CLOSE); close != nullptr) (void)close_.Attach(close);

    AddLayoutItem(IDC_CAPTION_SIGNAL, {600, 60, 60, kAlignLeft, 20, kAlignCenterY, 0});
    AddLayoutItem(IDC_CAPTION_POWER, {480, 60, 60, kAlignRight, 20, kAlignCenterY, 0}, IDC_CAPTION_SIGNAL);
    AddLayoutItem(IDC_CAPTION_HDCP, {280, 60, 60, kAlignRight, 20, kAlignCenterY, 0}, IDC_CAPTION_POWER);
    AddLayoutItem(IDC_CAPTION_CLOSE, {40, 40, 0, kAlignRight, 20, kAlignCenterY, 0});
    AddLayoutItem(IDC_CAPTION_APP_NAME, {500, 60, 60, kAlignLeft, 20, kAlignCenterY, 0}, IDC_CAPTION_CLOSE);
    Relayout();
    ComposeSignalText();
    UpdatePowerText();
    (void)power_timer_.Start();
    return true;
}

void CVideoCaptionView::OnHdmiInfoChanged(const CpwHdmiInfo& info) {
    if (SameHdmiInfo(info, hdmi_)) return;
    hdmi_ = info;
    ComposeSignalText();
}

void CVideoCaptionView::ComposeSignalText() {
    if (HWND signal = Item(IDC_CAPTION_SIGNAL); signal != nullptr) SetWindowTextW(signal, SignalText(hdmi_).c_str());
    if (HWND mark = Item(IDC_CAPTION_HDCP); mark != nullptr) ShowWindow(mark, hdmi_.detect_hdcp != 0 ? SW_SHOW : SW_HIDE);
}

void CVideoCaptionView::UpdatePowerText() {
    SYSTEM_POWER_STATUS status{};
    if (!GetSystemPowerStatus(&status)) return;
    const std::wstring text = PowerText(status.ACLineStatus, status.BatteryLifePercent,
                                        fw::LoadResString(IDS_EXTERNAL_POWER), fw::LoadResString(IDS_INTERNAL_BATTERY));
    SetDlgItemTextW(Handle(), IDC_CAPTION_POWER, text.c_str());
}

void CVideoCaptionView::SetCaptionVisible(bool show_close, bool show_texts) {
    for (HWND child = FindWindowExW(Handle(), nullptr, nullptr, nullptr); child != nullptr;
         child = FindWindowExW(Handle(), child, nullptr, nullptr)) {
        const int id = GetDlgCtrlID(child);
        if (id == IDC_CAPTION_CLOSE) {
            ShowWindow(child, show_close ? SW_SHOW : SW_HIDE);
        } else if (id == IDC_CAPTION_HDCP) {
            // The mark follows the input: a switch never shows it for an
            // unprotected input, and brings it back for a protected one that
            // an earlier switch hid (the input record does not change then).
            ShowWindow(child, show_texts && hdmi_.detect_hdcp != 0 ? SW_SHOW : SW_HIDE);
        } else {
            ShowWindow(child, show_texts ? SW_SHOW : SW_HIDE);
        }
    }
}

std::optional<LRESULT> CVideoCaptionView::OnCtlColor(HDC dc, HWND child) {
    const int id = GetDlgCtrlID(child);
    for (int s : kStaticIds) {
        if (id == s) {
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, RGB(255, 255, 255));
            return reinterpret_cast<LRESULT>(BackgroundBrush());
        }
    }
    return std::nullopt;
}

LRESULT CVideoCaptionView::HandleMessage(UINT msg, WPARAM w, LPARAM l) {
    switch (msg) {
        case WM_COMMAND:
            if (LOWORD(w) == IDC_CAPTION_CLOSE && HIWORD(w) == BN_CLICKED) {
                if (HWND root = GetAncestor(Handle(), GA_ROOT); root != nullptr) SendMessageW(root, WM_CLOSE, 0, 0);
                return 0;
            }
            break;
        case WM_POWERBROADCAST:
            if (w == PBT_POWERSETTINGCHANGE && l != 0 &&
                IsEqualGUID(reinterpret_cast<const POWERBROADCAST_SETTING*>(l)->PowerSetting, kAcDcPowerSource)) {
                UpdatePowerText();
            }
            break;
        case WM_DESTROY: {
            const LRESULT r = CBaseCaptionView::HandleMessage(msg, w, l);
            power_timer_.Stop();
            power_notify_.Reset();
            return r;
        }
        default: break;
    }
    return CBaseCaptionView::HandleMessage(msg, w, l);
}

}  // namespace vistrel
