// The zoom navigator: a picture of the whole frame and, over it, a marker of
// the part that is on screen. The controller views hand it the zoom state with
// every new display record.
#pragma once

#include <windows.h>

#include "viewer/core/DisplayInfo.h"
#include "viewer/core/ZoomMarker.h"
#include "viewer/framework/Controls.h"
#include "viewer/framework/Raii.h"

namespace vistrel {

class CZoomControl : public fw::StaticControl {
public:
    CZoomControl() noexcept;
    bool Create(HWND parent, UINT id, const RECT& rect, DWORD style = WS_CHILD | WS_VISIBLE) noexcept;
    // Takes over a template's "CZoomControl" window.
    bool Attach(HWND control) noexcept;

    // The frame's extent, the centre and the zoom, and the display record the
    // navigator scales by; the marker follows at once.
    void Update(const controls::ZoomState& zoom, const DisplayInfo& display) noexcept;
    // Puts the marker's centre in the middle of the picture, at the current zoom.
    void Reset() noexcept;
    const controls::Marker& Marker() const noexcept { return marker_; }
    void PaintTo(HDC dc) noexcept;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override;

private:
    bool Init() noexcept;
    int Inset() const noexcept;
    controls::Rect Inner() const noexcept;
    void Place(controls::Point centre) noexcept;
    void OnPaint() noexcept;

    controls::ZoomState zoom_;
    DisplayInfo display_;
    controls::Marker marker_;
    fw::Brush background_;
    fw::Brush marker_brush_;
    fw::Pen marker_pen_;
    fw::Bitmap frame_;
    fw::Bitmap frame_disabled_;
    fw::Bitmap icon_;
};

}  // namespace vistrel
