// Geometry of the layout: design units (a 3840 x 2560 canvas) scaled to the
// real screen, the control placement rule of the views, the splitters' row
// and column sizes and the display rectangle handed to the frame. Pure
// arithmetic on plain records; the Win32 side only moves windows.
#pragma once

#include <optional>
#include <span>

#include "viewer/core/DisplayInfo.h"

namespace vistrel {

inline constexpr int kDesignWidth = 3840;
inline constexpr int kDesignHeight = 2560;

// `value` design units in pixels of the screen, with width and height
// exchanged at rotation 90 or 270; the smaller of the two ratios wins and the
// result is truncated toward zero.
int ScaleToScreen(int value, const ScreenInfo& screen, int rotation) noexcept;
inline int ScaleToScreen(int value, const ScreenInfo& screen) noexcept {
    return ScaleToScreen(value, screen, screen.rotation);
}

// Placement of one control in design units. Horizontal mode 0 is the right
// side and vertical mode 0 the top side: the two axes are not symmetric.
enum HorizontalMode : int { kAlignRight = 0, kAlignCenterX = 1, kAlignLeft = 2 };
enum VerticalMode : int { kAlignTop = 0, kAlignCenterY = 1, kAlignBottom = 2 };

struct ItemPlacement {
    int width = 0;
    int height = 0;
    int font_height = 0;  // 0 leaves the control's font alone
    int horizontal = kAlignCenterX;
    int x_offset = 0;
    int vertical = kAlignCenterY;
    int y_offset = 0;
};

// The control's rectangle in the view's client coordinates. `parent` is the
// view's client rectangle; an anchor is a sibling's rectangle in the same
// coordinates, or null. Other modes than 0..2 put the control at 0.
Rect PlaceItem(const ItemPlacement& placement, const Rect& parent, const Rect* x_anchor, const Rect* y_anchor,
                  const ScreenInfo& screen) noexcept;

// Top splitter: caption row, display row; the controller row takes the rest.
struct VideoRows {
    int caption = 0;
    int display = 0;
};
// Nothing for a height of 0 or less. A window lower than both bars gives the
// whole height to the display row; the caption row exists only in full screen.
std::optional<VideoRows> VideoSplitterRows(int client_height, const DisplayInfo& info) noexcept;

// Display splitter: the width of column 0 (the setting panel takes the rest).
std::optional<int> DisplaySplitterColumn0(int client_width, int client_height, bool setting_panel_visible,
                                          const ScreenInfo& screen) noexcept;

// Setting splitter: the height of row 0, the tab bar.
std::optional<int> SettingSplitterRow0(int client_height, const ScreenInfo& screen) noexcept;

// Display rectangle for the frame from the current display view's screen
// rectangle: in full screen a view exactly 2 pixels wider than the screen
// loses those 2 pixels on the right.
Rect DisplayRectForFrame(const Rect& view_on_screen, const DisplayInfo& info) noexcept;

// The bounding rectangle of the rectangles given (all 0 for none).
Rect BoundingRect(std::span<const Rect> rects) noexcept;

}  // namespace vistrel
