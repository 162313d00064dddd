#include "viewer/core/ViewGeometry.h"

#include <algorithm>

namespace vistrel {

int ScaleToScreen(int value, const ScreenInfo& screen, int rotation) noexcept {
    double w = screen.width;
    double h = screen.height;
    if (rotation == 90 || rotation == 270) std::swap(w, h);
    const double factor = (h * 10000.0 / kDesignHeight > w * 10000.0 / kDesignWidth) ? w / kDesignWidth
                                                                                      : h / kDesignHeight;
    return static_cast<int>(static_cast<double>(value) * factor);
}

Rect PlaceItem(const ItemPlacement& placement, const Rect& parent, const Rect* x_anchor, const Rect* y_anchor,
                  const ScreenInfo& screen) noexcept {
    const int w = ScaleToScreen(placement.width, screen);
    const int h = ScaleToScreen(placement.height, screen);
    const int dx = ScaleToScreen(placement.x_offset, screen);
    const int dy = ScaleToScreen(placement.y_offset, screen);

    int x = 0;
    switch (placement.horizontal) {
        case kAlignRight: x = x_anchor != nullptr ? x_anchor->right + dx : parent.right - dx - w; break;
        case kAlignCenterX:
            x = x_anchor != nullptr ? x_anchor->left + x_anchor->Width() / 2 - w / 2 + dx
                                    : (parent.Width() - w) / 2 + dx;
            break;
        case kAlignLeft: x = x_anchor != nullptr ? x_anchor->left - dx - w : parent.left + dx; break;
        default: x = 0; break;
    }
    int y = 0;
    switch (placement.vertical) {
        case kAlignTop: y = y_anchor != nullptr ? y_anchor->top - dy - h : parent.top + dy; break;
        case kAlignCenterY:
            y = y_anchor != nullptr ? y_anchor->top + y_anchor->Height() / 2 - h / 2 + dy
                                    : (parent.Height() - h) / 2 + dy;
            break;
        case kAlignBottom: y = y_anchor != nullptr ? y_anchor->bottom + dy : parent.bottom - dy - h; break;
        default: y = 0; break;
    }
    return Rect{x, y, x + w, y + h};
}

std::optional<VideoRows> VideoSplitterRows(int client_height, const DisplayInfo& info) noexcept {
    if (client_height <= 0) return std::nullopt;
    const int bar = ScaleToScreen(200, info.screen);
    const int caption_bar = ScaleToScreen(70, info.screen);
    VideoRows rows{0, client_height};
    if (client_height >= bar + caption_bar) {
        rows.caption = info.full_screen != 0 ? caption_bar : 0;
        rows.display = client_height - rows.caption - bar;
    }
    return rows;
}

std::optional<int> DisplaySplitterColumn0(int client_width, int client_height, bool setting_panel_visible,
                                          const ScreenInfo& screen) noexcept {
    if (client_height <= 0) return std::nullopt;
    const int panel = ScaleToScreen(1100, screen);
    return setting_panel_visible && panel < client_width ? client_width - panel : client_width;
}

std::optional<int> SettingSplitterRow0(int client_height, const ScreenInfo& screen) noexcept {
    if (client_height <= 0) return std::nullopt;
    const int tabs = ScaleToScreen(150, screen);
    return client_height >= tabs ? tabs : 0;
}

Rect DisplayRectForFrame(const Rect& view_on_screen, const DisplayInfo& info) noexcept {
    Rect r = view_on_screen;
    if (info.full_screen != 0 && r.Width() == info.screen.width + 2) r.right -= 2;
    return r;
}

Rect BoundingRect(std::span<const Rect> rects) noexcept {
    if (rects.empty()) return {};
    Rect r = rects.front();
    for (const Rect& o : rects.subspan(1)) {
        r.left = std::min(r.left, o.left);
        r.top = std::min(r.top, o.top);
        r.right = std::max(r.right, o.right);
        r.bottom = std::max(r.bottom, o.bottom);
    }
    return r;
}

}  // namespace vistrel
