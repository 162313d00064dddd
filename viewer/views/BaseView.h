// The common base of every view of the layout: a form view on the dark
// background that keeps the last DisplayInfo, places its controls from
// layout items in design units, and offers the operations the splitters call.
#pragma once

#include <windows.h>

#include <optional>
#include <vector>

#include "viewer/app/FrameListeners.h"
#include "viewer/core/DisplayInfo.h"
#include "viewer/core/ViewGeometry.h"
#include "viewer/core/ViewInitArgs.h"
#include "viewer/core/ViewParameters.h"
#include "viewer/framework/Dialogs.h"
#include "viewer/framework/Raii.h"

namespace vistrel {

// Identifiers a view carries: the shown view of a pane frame has kPaneId;
// hidden views get kHiddenIdBase + their map key.
inline constexpr int kPaneId = 0xE900;
inline constexpr int kHiddenIdBase = 0xE901;

// One control placed by Relayout. The item owns the font it made for the
// control (the control's first font stays its creator's).
struct LayoutItem {
    HWND control = nullptr;
    ItemPlacement placement;
    HWND x_anchor = nullptr;
    HWND y_anchor = nullptr;
    fw::Font font;
};

class CBaseView : public fw::FormView {
public:
    explicit CBaseView(UINT templateId);
    ~CBaseView() override;

    // Operations in the order of the view family's table of operations.
    virtual void Relayout();
    virtual void OnActivated() {}
    virtual void ApplyParameters(const ViewParameters& parameters) { (void)parameters; }
    virtual void Initialize(const ViewInitArgs& args);
    virtual void Activate();
    virtual void OnDisplayInfoChanged(const DisplayInfo& info);
    virtual void SetPlayCode(int code) { play_code_ = code; }

    const DisplayInfo& GetDisplayInfo() const noexcept { return display_info_; }
    int PlayCode() const noexcept { return play_code_; }
    HBRUSH BackgroundBrush() const noexcept { return brush_.Get(); }
    // The controls' rectangles as Relayout placed them (tests and the message views).
    Rect ControlRectInView(HWND control) const noexcept;

protected:
    // Adds a placement for the control `id` (anchors by control id, 0 for none).
    void AddLayoutItem(int id, const ItemPlacement& placement, int x_anchor_id = 0, int y_anchor_id = 0);
    // The parent frame recalculates its layout, then the view covers the frame's client area.
    void FitToFrame();
    // A font "Meiryo" of the view's text (height 40 until the layout rescales it).
    static fw::Font MakeTextFont();
    ScreenModeChangeListner* ScreenModeListener() const noexcept { return screen_mode_; }

    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override;
    // WM_CTLCOLOR* from a child; nullopt leaves it to the default.
    virtual std::optional<LRESULT> OnCtlColor(HDC dc, HWND child) {
        (void)dc;
        (void)child;
        return std::nullopt;
    }
    void ReplaceBackground(COLORREF colour);

private:
    void ApplyLayoutItem(LayoutItem& item);

    fw::Brush brush_;
    DisplayInfo display_info_;
    std::vector<LayoutItem> layout_items_;
    ScreenModeChangeListner* screen_mode_ = nullptr;
    int play_code_ = 8;
    bool in_relayout_ = false;
};

// A view of the display row: it reports the picture rectangle it covers to
// the overlap detector.
class CBaseDisplayView : public CBaseView {
public:
    using CBaseView::CBaseView;

    void Initialize(const ViewInitArgs& args) override;
    void Relayout() override;
    void Activate() override;

    // The view's client rectangle in screen coordinates.
    virtual Rect GetVideoRect() const;
    virtual Rect GetExtraRect() const { return {}; }
    // Builds the DisplayArea and hands it to the detector when one is set.
    void ReportDisplayArea();
    const DisplayArea& LastDisplayArea() const noexcept { return last_area_; }

protected:
    DetectInfoChangeListener* DetectListener() const noexcept { return detect_; }

private:
    DetectInfoChangeListener* detect_ = nullptr;
    DisplayArea last_area_{{}, {}, kDarkBackground};
};

// The caption bar's base: one more operation, the caption's visibility.
class CBaseCaptionView : public CBaseView {
public:
    using CBaseView::CBaseView;
    virtual void SetCaptionVisible(bool show_close, bool show_texts) {
        (void)show_close;
        (void)show_texts;
    }
};

// The controller bar's base: one more operation, the setting panel's visibility.
class CBaseControllerView : public CBaseView {
public:
    using CBaseView::CBaseView;
    virtual void SetSettingViewVisible(int visible) { (void)visible; }
};

// The empty bar shown while the controls are hidden and on the blank screen.
class CVideoBlankControllerView final : public CBaseControllerView {
public:
    CVideoBlankControllerView();
};

}  // namespace vistrel
