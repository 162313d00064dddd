#include "viewer/views/BaseView.h"

#include <algorithm>

#include "viewer/res/resource.h"

namespace vistrel {
namespace {

Rect ToRect(const RECT& r) noexcept { return Rect{r.left, r.top, r.right, r.bottom}; }

}  // namespace

CBaseView::CBaseView(UINT templateId) : fw::FormView(templateId), brush_(CreateSolidBrush(kDarkBackground)) {}

CBaseView::~CBaseView() = default;

void CBaseView::ReplaceBackground(COLORREF colour) { brush_.Reset(CreateSolidBrush(colour)); }

fw::Font CBaseView::MakeTextFont() {
    LOGFONTW lf{};
    lf.lfHeight = 40;
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = SHIFTJIS_CHARSET;
    lf.lfQuality = CLEARTYPE_QUALITY;
    lstrcpynW(lf.lfFaceName, L"Meiryo", LF_FACESIZE);
    return fw::Font(CreateFontIndirectW(&lf));
}

void CBaseView::AddLayoutItem(int id, const ItemPlacement& placement, int x_anchor_id, int y_anchor_id) {
    LayoutItem item;
    item.control = Item(id);
    item.placement = placement;
    item.x_anchor = x_anchor_id != 0 ? Item(x_anchor_id) : nullptr;
    item.y_anchor = y_anchor_id != 0 ? Item(y_anchor_id) : nullptr;
    if (item.control == nullptr) return;  // a control the template lacks is skipped
    layout_items_.push_back(std::move(item));
}

Rect CBaseView::ControlRectInView(HWND control) const noexcept {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(HWND_DESKTOP, Handle(), reinterpret_cast<POINT*>(&r), 2);
    return ToRect(r);
}

void CBaseView::FitToFrame() {
    if (!IsWindow()) return;
    fw::FrameWindow* frame = ParentFrame();
    if (frame == nullptr) return;
    frame->RecalcLayout();
    const RECT r = frame->ClientRect();
    const RECT mine = RectInParent();
    if (mine.left != r.left || mine.top != r.top || mine.right != r.right || mine.bottom != r.bottom) {
        MoveWindow(Handle(), r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    }
}

void CBaseView::ApplyLayoutItem(LayoutItem& item) {
    const Rect parent = ToRect(ClientRect());
    Rect x_anchor{};
    Rect y_anchor{};
    if (item.x_anchor != nullptr) x_anchor = ControlRectInView(item.x_anchor);
    if (item.y_anchor != nullptr) y_anchor = ControlRectInView(item.y_anchor);
    const ScreenInfo& screen = display_info_.screen;
    const Rect r = PlaceItem(item.placement, parent, item.x_anchor != nullptr ? &x_anchor : nullptr,
                             item.y_anchor != nullptr ? &y_anchor : nullptr, screen);
    MoveWindow(item.control, r.left, r.top, r.Width(), r.Height(), TRUE);

    if (item.placement.font_height == 0) return;
    auto font = reinterpret_cast<HFONT>(SendMessageW(item.control, WM_GETFONT, 0, 0));
    if (font == nullptr) return;
    LOGFONTW lf{};
    if (GetObjectW(font, sizeof lf, &lf) == 0) return;
    const int height = ScaleToScreen(item.placement.font_height, screen);
    if (lf.lfHeight == height && item.font.Get() == font) return;
    lf.lfHeight = height;
    fw::Font scaled(CreateFontIndirectW(&lf));
    if (scaled.Get() == nullptr) return;
    SendMessageW(item.control, WM_SETFONT, reinterpret_cast<WPARAM>(scaled.Get()), FALSE);
    // The item's previous font goes now; a font the view made stays the view's.
    item.font = std::move(scaled);
    InvalidateRect(item.control, nullptr, TRUE);
}

void CBaseView::Relayout() {
    if (in_relayout_) return;
    in_relayout_ = true;
    FitToFrame();
    for (LayoutItem& item : layout_items_) ApplyLayoutItem(item);
    in_relayout_ = false;
}

void CBaseView::Initialize(const ViewInitArgs& args) {
    screen_mode_ = args.screen_mode;
    if (args.parameters != nullptr) {
        ApplyParameters(*args.parameters);
    } else {
        ApplyParameters(ViewParameters{});
    }
}

void CBaseView::Activate() {
    ShowWindow(Handle(), SW_SHOW);
    SetId(kPaneId);
    OnActivated();
}

void CBaseView::OnDisplayInfoChanged(const DisplayInfo& info) {
    const bool changed = ScreenChanged(display_info_, info);
    display_info_ = info;
    if (changed) Relayout();
}

LRESULT CBaseView::HandleMessage(UINT msg, WPARAM w, LPARAM l) {
    switch (msg) {
        case WM_INITDIALOG: {
            // The views never show a client edge.
            const LONG_PTR ex = GetWindowLongPtrW(Handle(), GWL_EXSTYLE);
            if ((ex & WS_EX_CLIENTEDGE) != 0) SetWindowLongPtrW(Handle(), GWL_EXSTYLE, ex & ~WS_EX_CLIENTEDGE);
            break;
        }
        case WM_SHOWWINDOW:
            if (w != FALSE) FitToFrame();
            break;
        case WM_SIZE:
            DefaultProc(msg, w, l);
            Relayout();
            return 0;
        case WM_ERASEBKGND: {
            RECT r = ClientRect();
            FillRect(reinterpret_cast<HDC>(w), &r, brush_.Get());
            return TRUE;
        }
        case WM_CTLCOLORDLG: return reinterpret_cast<LRESULT>(brush_.Get());
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            if (reinterpret_cast<HWND>(l) != Handle()) {
                if (auto answer = OnCtlColor(reinterpret_cast<HDC>(w), reinterpret_cast<HWND>(l))) return *answer;
            } else {
                return reinterpret_cast<LRESULT>(brush_.Get());
            }
            break;
        default: break;
    }
    return fw::FormView::HandleMessage(msg, w, l);
}

void CBaseDisplayView::Initialize(const ViewInitArgs& args) {
    CBaseView::Initialize(args);
    detect_ = args.detect;
}

void CBaseDisplayView::Relayout() {
    CBaseView::Relayout();
    ReportDisplayArea();
}

void CBaseDisplayView::Activate() {
    CBaseView::Activate();
    ReportDisplayArea();
}

Rect CBaseDisplayView::GetVideoRect() const {
    RECT r = ClientRect();
    MapWindowPoints(Handle(), HWND_DESKTOP, reinterpret_cast<POINT*>(&r), 2);
    return ToRect(r);
}

void CBaseDisplayView::ReportDisplayArea() {
    last_area_ = DisplayArea{GetVideoRect(), GetExtraRect(), kDarkBackground};
    if (detect_ != nullptr) detect_->OnDisplayAreaChanged(last_area_);
}

CVideoBlankControllerView::CVideoBlankControllerView() : CBaseControllerView(IDD_VIDEO_BLANK_CONTROLLER_VIEW) {}

}  // namespace vistrel
