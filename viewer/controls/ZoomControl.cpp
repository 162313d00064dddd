#include "viewer/controls/ZoomControl.h"

#include "resource.h"
#include "viewer/controls/KitCommon.h"

namespace vistrel {

namespace {
constexpr wchar_t kClassName[] = L"CZoomControl";
constexpr COLORREF kBackground = 0xFFFFFF;
constexpr COLORREF kMarkerFill = 0x7F7F7F;
constexpr COLORREF kMarkerLine = 0xFFFFFF;
constexpr int kInsetUnits = 7;
constexpr int kMarkerPenUnits = 3;
}  // namespace

CZoomControl::CZoomControl() noexcept
    : background_(CreateSolidBrush(kBackground)), marker_brush_(CreateSolidBrush(kMarkerFill)) {
    (void)controls::EnsureWindowClass(kClassName);
}

bool CZoomControl::Create(HWND parent, UINT id, const RECT& rect, DWORD style) noexcept {
    return StaticControl::Create(parent, id, L"", rect, style, kClassName) && Init();
}

bool CZoomControl::Attach(HWND control) noexcept { return StaticControl::Attach(control) && Init(); }

bool CZoomControl::Init() noexcept {
    frame_ = controls::LoadBitmapOrNone(IDB_NAVIGATOR_FRAME);
    frame_disabled_ = controls::LoadBitmapOrNone(IDB_NAVIGATOR_FRAME_DISABLED);
    icon_ = controls::LoadBitmapOrNone(IDB_ZOOM);
    marker_pen_.Reset(CreatePen(PS_SOLID, controls::Scaled(kMarkerPenUnits, controls::LayoutOf(display_)), kMarkerLine));
    // A fresh navigator shows the whole frame marked.
    Reset();
    return true;
}

int CZoomControl::Inset() const noexcept { return controls::Scaled(kInsetUnits, controls::LayoutOf(display_)); }

controls::Rect CZoomControl::Inner() const noexcept {
    const RECT c = ClientRect();
    return controls::NavigatorInner({c.left, c.top, c.right, c.bottom}, Inset());
}

void CZoomControl::Update(const controls::ZoomState& zoom, const DisplayInfo& display) noexcept {
    zoom_ = zoom;
    display_ = display;
    marker_pen_.Reset(CreatePen(PS_SOLID, controls::Scaled(kMarkerPenUnits, controls::LayoutOf(display_)), kMarkerLine));
    Place(controls::MarkerCentre(zoom_, Inner()));
}

void CZoomControl::Reset() noexcept {
    const controls::Rect inner = Inner();
    Place({inner.left + inner.Width() / 2, inner.top + inner.Height() / 2});
}

void CZoomControl::Place(controls::Point centre) noexcept {
    if (!IsWindow()) return;
    if (!controls::PlaceMarker(centre, zoom_.zoom, Inner(), Inset(), marker_)) return;
    InvalidateRect(Handle(), nullptr, FALSE);
    UpdateWindow(Handle());
}

void CZoomControl::PaintTo(HDC target) noexcept {
    const RECT client = ClientRect();
    winkit::BufferedPaint buffer(target, client);
    HDC dc = buffer.Get();
    FillRect(dc, &client, background_.Get());
    const controls::Rect inner = Inner();
    const bool enabled = IsWindowEnabled(Handle()) != FALSE;
    controls::StretchImage(dc, enabled ? frame_.Get() : frame_disabled_.Get(),
                           RECT{inner.left, inner.top, inner.right, inner.bottom});
    if (!enabled) return;
    const RECT marker{marker_.left, marker_.top, marker_.left + marker_.width, marker_.top + marker_.height};
    FillRect(dc, &marker, marker_brush_.Get());
    BITMAP icon{};
    if (zoom_.zoom != 1.0 && icon_ && GetObjectW(icon_.Get(), sizeof icon, &icon) != 0) {
        const int side = controls::ZoomIconSide(marker_, icon.bmWidth, controls::LayoutOf(display_));
        const int left = marker.left + (marker_.width - side) / 2;
        const int top = marker.top + (marker_.height - side) / 2;
        controls::StretchImage(dc, icon_.Get(), RECT{left, top, left + side, top + side});
    }
    fw::SelectGuard pen(dc, marker_pen_.Get());
    fw::SelectGuard brush(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, marker.left, marker.top, marker.right, marker.bottom);
}

void CZoomControl::OnPaint() noexcept {
    fw::PaintDc paint(Handle());
    PaintTo(paint.Get());
}

LRESULT CZoomControl::HandleMessage(UINT msg, WPARAM w, LPARAM l) {
    switch (msg) {
        case WM_PAINT: OnPaint(); return 0;
        case WM_PRINTCLIENT: PaintTo(reinterpret_cast<HDC>(w)); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_ENABLE: InvalidateRect(Handle(), nullptr, FALSE); break;
        default: break;
    }
    return StaticControl::HandleMessage(msg, w, l);
}

}  // namespace vistrel
