#include "viewer/views/DisplayViews.h"

#include <string>
#include <vector>

#include "viewer/core/Messages.h"
#include "viewer/core/StateResolver.h"
#include "viewer/core/ViewTargets.h"
#include "viewer/framework/Resources.h"
#include "viewer/res/resource.h"

namespace vistrel {
namespace {

struct MessageTexts {
    UINT lines[4];
    UINT button;  // 0: no button
};

// Kinds 3..11 in order.
constexpr MessageTexts kMessageTexts[] = {
    {{IDS_SUSPENDED_1, IDS_SUSPENDED_2, IDS_SUSPENDED_3, IDS_SUSPENDED_4}, IDS_CONTINUE},
    {{IDS_TRANSITION_1, IDS_TRANSITION_2, IDS_TRANSITION_3, IDS_TRANSITION_4}, 0},
    {{IDS_NO_SIGNAL_1, IDS_NO_SIGNAL_2, IDS_NO_SIGNAL_3, IDS_NO_SIGNAL_4}, 0},
    {{IDS_BLOCKED_1, IDS_BLOCKED_2, IDS_BLOCKED_3, IDS_BLOCKED_4}, 0},
    {{IDS_FATAL_1, IDS_FATAL_2, IDS_FATAL_3, IDS_FATAL_4}, IDS_OK},
    {{IDS_UPDATE_1, IDS_UPDATE_2, IDS_UPDATE_3, IDS_UPDATE_4}, IDS_OK},
    {{IDS_ALREADY_1, IDS_ALREADY_2, IDS_ALREADY_3, IDS_ALREADY_4}, IDS_OK},
    {{IDS_SAVE_SPACE_1, IDS_SAVE_SPACE_2, IDS_SAVE_SPACE_3, IDS_SAVE_SPACE_4}, IDS_CONTINUE},
    {{IDS_SAVE_LOCATION_1, IDS_SAVE_LOCATION_2, IDS_SAVE_LOCATION_3, IDS_SAVE_LOCATION_4}, IDS_CONTINUE},
};

const MessageTexts* TextsOf(int kind) noexcept {
    if (kind < kFirstMessageKind || kind > kLastMessageKind) return nullptr;
    return &kMessageTexts[kind - kFirstMessageKind];
}

constexpr int kLineIds[4] = {IDC_ERROR_LINE1, IDC_ERROR_LINE2, IDC_ERROR_LINE3, IDC_ERROR_LINE4};

}  // namespace

CVideoBlankView::CVideoBlankView() : CBaseDisplayView(IDD_VIDEO_BLANK_VIEW) {}

CVideoErrorView::CVideoErrorView(int kind, int resume_delay_ms) : CBaseDisplayView(IDD_VIDEO_ERROR_VIEW), kind_(kind) {
    if (kind_ == KindSuspended) {
        power_ = std::make_unique<PowerChangedNotificator>();
        power_->SetListener([this](PowerChangedEventArgs e) { OnPowerChanged(e); });
        resume_timer_ = std::make_unique<UIThreadTimer>(resume_delay_ms);
        resume_timer_->SetListener([this](UIThreadTimer::TickEventArgs) { OnResumeTimerTick(); });
    }
}

CVideoErrorView::~CVideoErrorView() {
    // The listeners point at this view: silence them before the members go.
    if (power_) power_->SetListener(nullptr);
    if (resume_timer_) resume_timer_->SetListener(nullptr);
}

bool CVideoErrorView::HasButton() const noexcept {
    const MessageTexts* texts = TextsOf(kind_);
    return texts != nullptr && texts->button != 0;
}

bool CVideoErrorView::OnInitDialog() {
    const MessageTexts* texts = TextsOf(kind_);
    for (int i = 0; i < 4; ++i) {
        HWND line = Item(kLineIds[i]);
        if (line == nullptr) continue;
        if (texts != nullptr) SetWindowTextW(line, fw::LoadResString(texts->lines[i]).c_str());
        fonts_[static_cast<std::size_t>(i)] = MakeTextFont();
        SendMessageW(line, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_[static_cast<std::size_t>(i)].Get()), TRUE);
    }
    if (HWND button = Item(IDC_ERROR_BUTTON); button != nullptr && HasButton()) {
        SetWindowTextW(button, fw::LoadResString(texts->button).c_str());
    }
    // Line 3 sits in the middle, the others stack around it.
    AddLayoutItem(IDC_ERROR_LINE3, {600, 60, 40, kAlignCenterX, 0, kAlignCenterY, 0});
    AddLayoutItem(IDC_ERROR_LINE2, {600, 60, 40, kAlignCenterX, 0, kAlignTop, 5}, 0, IDC_ERROR_LINE3);
    AddLayoutItem(IDC_ERROR_LINE1, {600, 60, 40, kAlignCenterX, 0, kAlignTop, 5}, 0, IDC_ERROR_LINE2);
    AddLayoutItem(IDC_ERROR_LINE4, {600, 60, 40, kAlignCenterX, 0, kAlignBottom, 5}, 0, IDC_ERROR_LINE3);
    if (HWND button = Item(IDC_ERROR_BUTTON); button != nullptr && HasButton() && button_.Attach(button)) {
        button_font_ = MakeTextFont();
        SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(button_font_.Get()), TRUE);
        AddLayoutItem(IDC_ERROR_BUTTON, {160, 60, 50, kAlignCenterX, 0, kAlignBottom, 40}, 0, IDC_ERROR_LINE4);
        ShowWindow(button, SW_SHOW);
    }
    Relayout();
    return true;
}

Rect CVideoErrorView::GetExtraRect() const {
    std::vector<Rect> parts;
    for (int id : kLineIds) {
        if (HWND line = Item(id); line != nullptr) {
            RECT r{};
            GetWindowRect(line, &r);
            parts.push_back({r.left, r.top, r.right, r.bottom});
        }
    }
    if (HWND button = Item(IDC_ERROR_BUTTON); button != nullptr && IsWindowVisible(button)) {
        RECT r{};
        GetWindowRect(button, &r);
        parts.push_back({r.left, r.top, r.right, r.bottom});
    }
    return BoundingRect(parts);
}

void CVideoErrorView::SendToMainWindow(UINT msg) const {
    HWND root = GetAncestor(Handle(), GA_ROOT);
    if (root != nullptr) SendMessageW(root, msg, 0, 0);
}

void CVideoErrorView::OnButton() {
    switch (kind_) {
        case KindSuspended:
            if (ResumeTimerRunning()) {
                continue_pending_ = 1;
            } else {
                SendToMainWindow(msg::kContinue);
            }
            break;
        case KindBlocked:
        case KindFatal:
        case KindUpdateRequired:
        case KindAlreadyRunning: SendToMainWindow(WM_CLOSE); break;
        case KindSaveFailedSpace:
        case KindSaveFailedLocation: SendToMainWindow(msg::kSaveErrorClosed); break;
        default: break;
    }
}

void CVideoErrorView::OnPowerChanged(const PowerChangedEventArgs& e) {
    if (!resume_timer_ || e.value != 1) return;
    resume_timer_->Stop();
    (void)resume_timer_->Start();
}

void CVideoErrorView::OnResumeTimerTick() {
    if (resume_timer_) resume_timer_->Stop();
    if (continue_pending_ != 0) SendToMainWindow(msg::kContinue);
    continue_pending_ = 0;
}

std::optional<LRESULT> CVideoErrorView::OnCtlColor(HDC dc, HWND child) {
    for (int id : kLineIds) {
        if (GetDlgCtrlID(child) == id) {
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, RGB(255, 255, 255));
            return reinterpret_cast<LRESULT>(BackgroundBrush());
        }
    }
    return std::nullopt;
}

LRESULT CVideoErrorView::HandleMessage(UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_COMMAND && LOWORD(w) == IDC_ERROR_BUTTON && HIWORD(w) == BN_CLICKED) {
        OnButton();
        return 0;
    }
    return CBaseDisplayView::HandleMessage(msg, w, l);
}

}  // namespace vistrel
