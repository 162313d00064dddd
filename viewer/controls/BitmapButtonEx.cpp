#include "viewer/controls/BitmapButtonEx.h"

#include <vector>

#include "viewer/controls/KitCommon.h"
#include "viewer/core/Messages.h"
#include "viewer/framework/Resources.h"

namespace vistrel {

using controls::ButtonContent;
using controls::ButtonInput;
using controls::ButtonLook;
using controls::ImageSlot;
using controls::PointerPhase;

namespace {

// Mouse messages Windows makes from touch or pen input carry this signature in
// their extra information; the touch message has reported those contacts already.
bool PromotedFromTouch() noexcept {
    constexpr LPARAM kSignatureMask = static_cast<LPARAM>(0xFFFFFF00);
    constexpr LPARAM kPenOrTouch = static_cast<LPARAM>(0xFF515700);
    return (GetMessageExtraInfo() & kSignatureMask) == kPenOrTouch;
}

controls::Rect ToRect(const RECT& r) noexcept { return {r.left, r.top, r.right, r.bottom}; }
RECT ToRECT(const controls::Rect& r) noexcept { return {r.left, r.top, r.right, r.bottom}; }

}  // namespace

// ---- CBitmapButtonEx ---------------------------------------------------------

bool CBitmapButtonEx::Create(HWND parent, UINT id, LPCWSTR text, const RECT& rect, DWORD style) noexcept {
    if (!OwnerDrawButton::Create(parent, id, text, rect, style)) return false;
    RegisterTouch();
    return true;
}

bool CBitmapButtonEx::Attach(HWND button) noexcept {
    if (!OwnerDrawButton::Attach(button)) return false;
    RegisterTouch();
    return true;
}

void CBitmapButtonEx::RegisterTouch() noexcept {
    // Palm rejection; a system without touch refuses, which changes nothing here.
    (void)RegisterTouchWindow(Handle(), TWF_WANTPALM);
}

bool CBitmapButtonEx::AutoLoad(UINT id, HWND parent) noexcept {
    if (!SubclassDlgItem(id, parent)) return false;
    wchar_t text[128] = {};
    GetWindowTextW(Handle(), text, 128);
    const std::wstring name = text;
    const auto load = [&](const wchar_t* suffix) {
        return fw::Bitmap(static_cast<HBITMAP>(
            LoadImageW(fw::ResourceInstance(), (name + suffix).c_str(), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
    };
    normal_ = load(L"U");
    pressed_ = load(L"D");
    disabled_ = load(L"X");
    // "F", the focused picture, is not part of this kit's drawing: focus is a frame.
    mode_ = controls::ImageMode::Fills;
    RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    return normal_.Valid();
}

void CBitmapButtonEx::SetImages(UINT normal, UINT pressed, UINT disabled, controls::ImageMode mode) noexcept {
    normal_ = controls::LoadBitmapOrNone(normal);
    pressed_ = controls::LoadBitmapOrNone(pressed);
    disabled_ = controls::LoadBitmapOrNone(disabled);
    mode_ = mode;
    if (IsWindow()) RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void CBitmapButtonEx::SetCaption(const std::wstring& text) noexcept {
    SetWindowTextW(Handle(), text.c_str());
    InvalidateRect(Handle(), nullptr, FALSE);
}

void CBitmapButtonEx::SetLayoutState(const controls::LayoutState& layout) noexcept {
    if (layout == layout_) return;
    layout_ = layout;
    if (IsWindow()) InvalidateRect(Handle(), nullptr, FALSE);
}

void CBitmapButtonEx::SetButtonFont() noexcept {
    font_ = controls::MakeMeiryo(50);
    Send(WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), TRUE);
}

void CBitmapButtonEx::SetLabelFont(HWND window, fw::Font& holder) noexcept {
    holder = controls::MakeMeiryo(40);
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(holder.Get()), TRUE);
}

HBITMAP CBitmapButtonEx::ImageInSlot(ImageSlot slot) const noexcept {
    switch (slot) {
        case ImageSlot::Normal: return normal_.Get();
        case ImageSlot::Pressed: return pressed_.Get();
        case ImageSlot::Disabled: return disabled_.Get();
        case ImageSlot::On:
        case ImageSlot::OnDisabled:
        case ImageSlot::None: break;
    }
    return nullptr;
}

ButtonInput CBitmapButtonEx::LookInput(const DRAWITEMSTRUCT& item) const {
    ButtonInput in;
    in.item = ToRect(item.rcItem);
    in.item_state = item.itemState;
    in.loaded = {normal_.Valid(), pressed_.Valid(), disabled_.Valid(), false, false};
    in.mode = mode_;
    in.layout = layout_;
    return in;
}

HBITMAP CBitmapButtonEx::ImageForState(UINT state) const noexcept {
    const controls::LoadedImages loaded{normal_.Valid(), pressed_.Valid(), disabled_.Valid(), false, false};
    return ImageInSlot(controls::ImageForState(state, false, loaded));
}

COLORREF CBitmapButtonEx::BackgroundColor(UINT state) const noexcept {
    return controls::ColorsForState(state).background;
}
COLORREF CBitmapButtonEx::BorderColor(UINT state) const noexcept { return controls::ColorsForState(state).border; }
COLORREF CBitmapButtonEx::FocusColor(UINT state) const noexcept { return controls::ColorsForState(state).focus; }
COLORREF CBitmapButtonEx::TextColor(UINT state) const noexcept { return controls::ColorsForState(state).text; }

void CBitmapButtonEx::DrawItem(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    const UINT state = item.itemState;
    const auto font = reinterpret_cast<HGDIOBJ>(Send(WM_GETFONT));
    fw::SelectGuard font_guard(dc, font != nullptr ? font : GetStockObject(DEFAULT_GUI_FONT));

    const std::wstring text = controls::WindowText(Handle());
    ButtonInput in = LookInput(item);
    SIZE extent{};
    if (!text.empty()) GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    in.text_width = extent.cx;
    const ButtonLook look = controls::ComputeButtonLook(in);

    {
        const HPEN pen = pens_.Get(BorderColor(state), look.pen_width);
        const HBRUSH brush = brushes_.Get(BackgroundColor(state));
        fw::SelectGuard p(dc, pen);
        fw::SelectGuard b(dc, brush);
        Rectangle(dc, item.rcItem.left, item.rcItem.top, item.rcItem.right, item.rcItem.bottom);
    }
    if (look.focus_frame) {
        fw::SelectGuard p(dc, focus_pens_.Get(FocusColor(state), 1));
        fw::SelectGuard b(dc, GetStockObject(HOLLOW_BRUSH));
        Rectangle(dc, look.inner.left, look.inner.top, look.inner.right, look.inner.bottom);
    }

    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, TextColor(state));
    HBITMAP image = ImageForState(state);
    RECT text_rect = ToRECT(look.text);
    switch (image != nullptr ? look.content : ButtonContent::CentredText) {
        case ButtonContent::CentredText:
            text_rect = item.rcItem;
            DrawTextW(dc, text.c_str(), -1, &text_rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
            break;
        case ButtonContent::ImageBesideText:
            controls::StretchImage(dc, image, ToRECT(look.icon));
            DrawTextW(dc, text.c_str(), -1, &text_rect, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
            break;
        case ButtonContent::ImageOnly: controls::StretchImage(dc, image, ToRECT(look.icon)); break;
    }
}

void CBitmapButtonEx::SendToParent(UINT msg, LPARAM l) const noexcept {
    HWND parent = GetParent(Handle());
    if (parent != nullptr) SendMessageW(parent, msg, static_cast<WPARAM>(Id()), l);
}

void CBitmapButtonEx::SendPointer(PointerPhase phase) const noexcept {
    SendToParent(msg::kPointerInput, static_cast<LPARAM>(phase));
}

LRESULT CBitmapButtonEx::OnLeftButtonDown(WPARAM w, LPARAM l) {
    if (!PromotedFromTouch()) SendPointer(PointerPhase::Pressed);
    return DefaultProc(WM_LBUTTONDOWN, w, l);
}

void CBitmapButtonEx::OnTouchInputs(const TouchRecord* inputs, UINT count) noexcept {
    if (inputs == nullptr || count == 0) return;
    std::vector<controls::TouchContact> contacts;
    contacts.reserve(count);
    for (UINT i = 0; i < count; ++i) {
        contacts.push_back({static_cast<int>(inputs[i].x), static_cast<int>(inputs[i].y), inputs[i].dwFlags});
    }
    RECT screen{};
    GetWindowRect(Handle(), &screen);
    PointerPhase phase{};
    if (controls::TouchPhase(contacts.data(), count, ToRect(screen), phase)) SendPointer(phase);
}

LRESULT CBitmapButtonEx::OnTouch(WPARAM w, LPARAM l) {
    const UINT count = LOWORD(w);
    std::vector<TOUCHINPUT> inputs(count);
    if (count != 0 &&
        GetTouchInputInfo(reinterpret_cast<HTOUCHINPUT>(l), count, inputs.data(), sizeof(TOUCHINPUT))) {
        OnTouchInputs(inputs.data(), count);
    }
    // The default procedure closes the touch input handle.
    return DefaultProc(WM_TOUCH, w, l);
}

LRESULT CBitmapButtonEx::HandleMessage(UINT msg, WPARAM w, LPARAM l) {
    switch (msg) {
        // A quick second click arrives as a double click; it is a press all the same.
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: return OnLeftButtonDown(w, l);
        case WM_LBUTTONUP:
            if (!PromotedFromTouch()) SendPointer(PointerPhase::Released);
            break;
        case WM_MOUSEMOVE:
            if (!tracking_leave_) {
                TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, Handle(), 0};
                tracking_leave_ = TrackMouseEvent(&track) != FALSE;
            }
            if (!PromotedFromTouch()) SendPointer(PointerPhase::MovedInside);
            break;
        case WM_MOUSELEAVE:
            tracking_leave_ = false;
            SendPointer(PointerPhase::Left);
            break;
        case WM_TOUCH: return OnTouch(w, l);
        case WM_DESTROY: (void)UnregisterTouchWindow(Handle()); break;
        default: break;
    }
    return OwnerDrawButton::HandleMessage(msg, w, l);
}

// ---- ToggleButton --------------------------------------------------------------

int ToggleButton::SetState(bool on, bool notify) noexcept {
    if (on == on_) return 0;
    on_ = on;
    if (IsWindow()) InvalidateRect(Handle(), nullptr, FALSE);
    if (notify) SendToParent(msg::kToggleState, on_ ? 1 : 0);
    return 1;
}

void ToggleButton::SetOnImages(UINT normal, UINT pressed, UINT disabled, UINT on, UINT on_disabled) noexcept {
    on_image_ = controls::LoadBitmapOrNone(on);
    on_disabled_image_ = controls::LoadBitmapOrNone(on_disabled);
    SetImages(normal, pressed, disabled, controls::ImageMode::Fills);
}

void ToggleButton::SetOnColors(const controls::ButtonColors& colors) noexcept {
    on_colors_ = colors;
    if (IsWindow()) InvalidateRect(Handle(), nullptr, FALSE);
}

ButtonInput ToggleButton::LookInput(const DRAWITEMSTRUCT& item) const {
    ButtonInput in = CBitmapButtonEx::LookInput(item);
    in.on = on_;
    in.on_colors = on_colors_;
    in.loaded.on = on_image_.Valid();
    in.loaded.on_disabled = on_disabled_image_.Valid();
    return in;
}

HBITMAP ToggleButton::ImageForState(UINT state) const noexcept {
    const controls::LoadedImages loaded{normal_.Valid(), pressed_.Valid(), disabled_.Valid(), on_image_.Valid(),
                                        on_disabled_image_.Valid()};
    const ImageSlot slot = controls::ImageForState(state, on_, loaded);
    if (slot == ImageSlot::On) return on_image_.Get();
    if (slot == ImageSlot::OnDisabled) return on_disabled_image_.Get();
    return ImageInSlot(slot);
}

COLORREF ToggleButton::BackgroundColor(UINT state) const noexcept {
    return on_ ? on_colors_.background : CBitmapButtonEx::BackgroundColor(state);
}
COLORREF ToggleButton::BorderColor(UINT state) const noexcept {
    return on_ ? on_colors_.border : CBitmapButtonEx::BorderColor(state);
}
COLORREF ToggleButton::FocusColor(UINT state) const noexcept {
    return on_ ? on_colors_.focus : CBitmapButtonEx::FocusColor(state);
}
COLORREF ToggleButton::TextColor(UINT state) const noexcept {
    return on_ ? on_colors_.text : CBitmapButtonEx::TextColor(state);
}

LRESULT ToggleButton::OnLeftButtonDown(WPARAM w, LPARAM l) {
    (void)SetState(!on_, true);
    return CBitmapButtonEx::OnLeftButtonDown(w, l);
}

// ---- RadioButton ---------------------------------------------------------------

int RadioButton::SetState(bool on, bool notify) noexcept {
    const int changed = ToggleButton::SetState(on, notify);
    if (changed == 0 || !IsWindow()) return changed;
    HWND parent = GetParent(Handle());
    if (parent == nullptr) return changed;
    // Collected first: a sibling switching off must not disturb the walk.
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    for (HWND child : children) {
        if (::IsWindow(child)) SendMessageW(child, msg::kToggleState, static_cast<WPARAM>(Id()), on_ ? 1 : 0);
    }
    return changed;
}

void RadioButton::OnSiblingState(WPARAM sender_id, LPARAM state) noexcept {
    const int id = static_cast<int>(sender_id);
    if (id == Id()) return;
    HWND sender = GetDlgItem(GetParent(Handle()), id);
    const auto* radio = sender != nullptr ? dynamic_cast<const RadioButton*>(fw::Window::FromHandle(sender)) : nullptr;
    if (controls::RadioSwitchesOff(Id(), id, radio != nullptr, group_, radio != nullptr ? radio->group_ : L"",
                                   state)) {
        (void)SetState(false, true);
    }
}

LRESULT RadioButton::HandleMessage(UINT msg, WPARAM w, LPARAM l) {
    if (msg == msg::kToggleState) {
        OnSiblingState(w, l);
        return 0;
    }
    return ToggleButton::HandleMessage(msg, w, l);
}

LRESULT RadioButton::OnLeftButtonDown(WPARAM w, LPARAM l) {
    // A radio button that is on stays on.
    if (!on_) (void)SetState(true, true);
    return CBitmapButtonEx::OnLeftButtonDown(w, l);
}

}  // namespace vistrel
