#include "viewer/controls/NumericUpDown.h"

#include <string>

#include "resource.h"
#include "viewer/controls/KitCommon.h"
#include "viewer/core/Messages.h"

namespace vistrel {

using Button = controls::UpDownModel::Button;

NumericUpDown::NumericUpDown() noexcept : clock_([] { return static_cast<std::uint64_t>(GetTickCount64()); }) {
    (void)controls::EnsureWindowClass(L"NumericUpDown");
}

bool NumericUpDown::Create(HWND parent, UINT id, const RECT& rect, DWORD style) noexcept {
    if (!StaticControl::Create(parent, id, L"", rect, style | WS_CLIPCHILDREN, L"NumericUpDown")) return false;
    return MakeChildren();
}

bool NumericUpDown::Attach(HWND control) noexcept {
    if (!StaticControl::Attach(control)) return false;
    return MakeChildren();
}

bool NumericUpDown::MakeChildren() noexcept {
    const RECT none{0, 0, 0, 0};
    text_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_RIGHT | SS_CENTERIMAGE | SS_NOPREFIX, 0, 0,
                            0, 0, Handle(), reinterpret_cast<HMENU>(static_cast<UINT_PTR>(IDC_UPDOWN_TEXT)),
                            GetModuleHandleW(nullptr), nullptr);
    if (text_ == nullptr || !decrement_.Create(Handle(), IDC_UPDOWN_DECREMENT, L"<", none) ||
        !increment_.Create(Handle(), IDC_UPDOWN_INCREMENT, L">", none)) {
        return false;
    }
    const controls::LayoutState layout = layout_;
    layout_ = {};
    SetLayoutState(layout);
    ShowValue();
    return true;
}

void NumericUpDown::SetLayoutState(const controls::LayoutState& layout) noexcept {
    if (layout == layout_) return;
    layout_ = layout;
    increment_.SetLayoutState(layout);
    decrement_.SetLayoutState(layout);
    // The children are laid out here, not by the view, so their fonts scale here too.
    text_font_ = controls::MakeMeiryo(controls::Scaled(60, layout_));
    button_font_ = controls::MakeMeiryo(controls::Scaled(50, layout_));
    if (text_ != nullptr) SendMessageW(text_, WM_SETFONT, reinterpret_cast<WPARAM>(text_font_.Get()), TRUE);
    if (increment_.IsWindow()) increment_.Send(WM_SETFONT, reinterpret_cast<WPARAM>(button_font_.Get()), TRUE);
    if (decrement_.IsWindow()) decrement_.Send(WM_SETFONT, reinterpret_cast<WPARAM>(button_font_.Get()), TRUE);
    Relayout();
}

void NumericUpDown::Relayout() noexcept {
    if (!IsWindow() || text_ == nullptr) return;
    const RECT c = ClientRect();
    const controls::UpDownChildren children = controls::LayoutUpDown({c.left, c.top, c.right, c.bottom}, layout_);
    const auto move = [](HWND hwnd, const controls::Rect& r) {
        if (hwnd != nullptr) MoveWindow(hwnd, r.left, r.top, r.Width(), r.Height(), TRUE);
    };
    move(text_, children.text);
    move(decrement_.Handle(), children.decrement);
    move(increment_.Handle(), children.increment);
}

void NumericUpDown::SetRange(int minimum, int maximum) noexcept {
    model_.SetRange(minimum, maximum);
    ShowValue();
}

void NumericUpDown::SetValue(int v, bool notify) noexcept {
    const bool changed = model_.SetValue(v);
    ShowValue();
    if (changed && notify) Notify();
}

void NumericUpDown::ShowValue() noexcept {
    if (text_ != nullptr) SetWindowTextW(text_, std::to_wstring(model_.Value()).c_str());
}

void NumericUpDown::Notify() const noexcept {
    HWND parent = GetParent(Handle());
    if (parent != nullptr) {
        SendMessageW(parent, msg::kNumberValue, static_cast<WPARAM>(Id()), static_cast<LPARAM>(model_.Value()));
    }
}

void NumericUpDown::OnButtonPointer(int id, int phase) noexcept {
    const bool up = id == IDC_UPDOWN_INCREMENT;
    if (!up && id != IDC_UPDOWN_DECREMENT) return;
    const Button button = up ? Button::Increment : Button::Decrement;
    fw::WindowTimer& timer = up ? increment_timer_ : decrement_timer_;
    const auto p = static_cast<controls::PointerPhase>(phase);
    if (p == controls::PointerPhase::Pressed) {
        if (timer.Running()) return;
        const auto result = model_.Press(button, clock_());
        if (!result.started) return;
        if (result.changed) {
            ShowValue();
            Notify();
        }
        (void)timer.Start(Handle(), up ? kIncrementRepeatTimer : kDecrementRepeatTimer,
                          controls::UpDownModel::kTickMs);
    } else if (p == controls::PointerPhase::Released || p == controls::PointerPhase::Left) {
        timer.Stop();
        model_.Release(button);
    }
}

void NumericUpDown::OnRepeatTimer(UINT_PTR id) noexcept {
    const Button button = id == kIncrementRepeatTimer ? Button::Increment : Button::Decrement;
    if (model_.Tick(button, clock_())) {
        ShowValue();
        Notify();
    }
}

LRESULT NumericUpDown::OnTextColor(HDC dc) noexcept {
    SetTextColor(dc, controls::kBlack);
    SetBkColor(dc, controls::kUpDownTextBack);
    return reinterpret_cast<LRESULT>(text_back_.Get());
}

LRESULT NumericUpDown::HandleMessage(UINT msg, WPARAM w, LPARAM l) {
    switch (msg) {
        case WM_SIZE: Relayout(); break;
        case msg::kPointerInput: OnButtonPointer(static_cast<int>(w), static_cast<int>(l)); return 0;
        case WM_TIMER:
            if (w == kIncrementRepeatTimer || w == kDecrementRepeatTimer) {
                OnRepeatTimer(w);
                return 0;
            }
            break;
        case WM_CTLCOLORSTATIC:
            if (reinterpret_cast<HWND>(l) == text_) return OnTextColor(reinterpret_cast<HDC>(w));
            break;
        case WM_DESTROY:
            increment_timer_.Stop();
            decrement_timer_.Stop();
            break;
        default: break;
    }
    return StaticControl::HandleMessage(msg, w, l);
}

}  // namespace vistrel
