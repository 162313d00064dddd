// The kit's image buttons: CBitmapButtonEx (caption, three pictures, drawing by
// state, pointer and touch input reported to the parent), ToggleButton (on/off
// with its own pictures and colours) and RadioButton (a toggle that switches
// off the other buttons of its group).
//
// Each works on a button it creates or on one of a dialog template (Attach);
// the parent must be a framework window, which reflects WM_DRAWITEM back here.
#pragma once

#include <windows.h>

#include <string>

#include "viewer/controls/KitCommon.h"
#include "viewer/core/ControlLook.h"
#include "viewer/core/TouchRecord.h"
#include "viewer/framework/Controls.h"
#include "viewer/framework/Raii.h"

namespace vistrel {

class CBitmapButtonEx : public fw::OwnerDrawButton {
public:
    bool Create(HWND parent, UINT id, LPCWSTR text, const RECT& rect,
                DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP) noexcept;
    // Takes over a button of a template (made owner-drawn) and registers it for touch.
    bool Attach(HWND button) noexcept;
    bool SubclassDlgItem(UINT id, HWND parent) noexcept { return Attach(GetDlgItem(parent, static_cast<int>(id))); }
    // Takes over a template's button and loads the pictures named by its text
    // with the suffixes "U" (normal), "D" (pressed), "F" (focused, unused by the
    // drawing) and "X" (disabled). False when the normal picture is missing.
    bool AutoLoad(UINT id, HWND parent) noexcept;

    // Releases the old pictures, loads the three bitmap resources (0: none) and
    // repaints at once.
    virtual void SetImages(UINT normal, UINT pressed, UINT disabled,
                           controls::ImageMode mode = controls::ImageMode::BesideText) noexcept;
    void SetCaption(const std::wstring& text) noexcept;
    // The new layout state (after a display change); the button redraws.
    void SetLayoutState(const controls::LayoutState& layout) noexcept;
    const controls::LayoutState& LayoutState() const noexcept { return layout_; }

    // "Meiryo" height 50 (design units; the layout items rescale it), set with WM_SETFONT.
    void SetButtonFont() noexcept;
    // The views' label font ("Meiryo" height 40) on `window`; `holder` keeps it
    // and its previous font is deleted first.
    static void SetLabelFont(HWND window, fw::Font& holder) noexcept;

    // One touch message's contacts (WM_TOUCH reads them with GetTouchInputInfo).
    void OnTouchInputs(const TouchRecord* inputs, UINT count) noexcept;

protected:
    void DrawItem(const DRAWITEMSTRUCT& item) override;
    // The picture for an item state; null when none is loaded for it.
    virtual HBITMAP ImageForState(UINT item_state) const noexcept;
    virtual COLORREF BackgroundColor(UINT item_state) const noexcept;
    virtual COLORREF BorderColor(UINT item_state) const noexcept;
    virtual COLORREF FocusColor(UINT item_state) const noexcept;
    virtual COLORREF TextColor(UINT item_state) const noexcept;
    // The look the drawing follows; toggles add their on state.
    virtual controls::ButtonInput LookInput(const DRAWITEMSTRUCT& item) const;
    HBITMAP ImageInSlot(controls::ImageSlot slot) const noexcept;

    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override;
    virtual LRESULT OnLeftButtonDown(WPARAM w, LPARAM l);
    void SendPointer(controls::PointerPhase phase) const noexcept;
    void SendToParent(UINT msg, LPARAM l) const noexcept;

    fw::Bitmap normal_;
    fw::Bitmap pressed_;
    fw::Bitmap disabled_;
    controls::ImageMode mode_ = controls::ImageMode::BesideText;
    controls::LayoutState layout_;
    fw::Font font_;
    controls::PenCache pens_;
    controls::PenCache focus_pens_;
    controls::BrushCache brushes_;

private:
    void RegisterTouch() noexcept;
    LRESULT OnTouch(WPARAM w, LPARAM l);
    bool tracking_leave_ = false;
};

class ToggleButton : public CBitmapButtonEx {
public:
    // No change answers 0; otherwise stores, redraws and, with `notify`, sends
    // the toggle-state message to the parent; answers 1.
    virtual int SetState(bool on, bool notify) noexcept;
    bool IsOn() const noexcept { return on_; }
    // The three pictures in fill mode, and the on and on-disabled pictures.
    void SetOnImages(UINT normal, UINT pressed, UINT disabled, UINT on, UINT on_disabled) noexcept;
    void SetOnColors(const controls::ButtonColors& colors) noexcept;

protected:
    controls::ButtonInput LookInput(const DRAWITEMSTRUCT& item) const override;
    HBITMAP ImageForState(UINT item_state) const noexcept override;
    COLORREF BackgroundColor(UINT item_state) const noexcept override;
    COLORREF BorderColor(UINT item_state) const noexcept override;
    COLORREF FocusColor(UINT item_state) const noexcept override;
    COLORREF TextColor(UINT item_state) const noexcept override;
    LRESULT OnLeftButtonDown(WPARAM w, LPARAM l) override;

    bool on_ = false;
    fw::Bitmap on_image_;
    fw::Bitmap on_disabled_image_;
    controls::ButtonColors on_colors_ = controls::kOnColors;
};

class RadioButton : public ToggleButton {
public:
    void SetGroupName(std::wstring name) { group_ = std::move(name); }
    const std::wstring& GroupName() const noexcept { return group_; }
    // A change is also told to every child of the parent, so the group's other
    // buttons switch off.
    int SetState(bool on, bool notify) noexcept override;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override;
    LRESULT OnLeftButtonDown(WPARAM w, LPARAM l) override;

private:
    void OnSiblingState(WPARAM sender_id, LPARAM state) noexcept;
    std::wstring group_;
};

}  // namespace vistrel
