// The zoom navigator on a real window: the marker it places for a zoom state
// and what it paints, enabled and disabled.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

#include "ControlsTestSupport.h"
#include "resource.h"
#include "viewer/controls/ZoomControl.h"

namespace {

using controls_test::PixelOf;
using vistrel::controls::Marker;
using vistrel::controls::ZoomState;

constexpr COLORREF kMarkerGrey = 0x7F7F7F;
constexpr COLORREF kWhite = 0xFFFFFF;

// At the design size the inset is 7 pixels; a 334 x 194 client leaves the
// frame pictures' own 320 x 180, so they are drawn one to one.
vistrel::DisplayInfo DesignDisplay() {
    vistrel::DisplayInfo d;
    d.screen.width = 3840;
    d.screen.height = 2560;
    return d;
}
constexpr ZoomState kCentred{0, 0, 1920, 1080, 0.5, 0.5, 1.0};

COLORREF BitmapPixel(UINT id, int x, int y) {
    HBITMAP bmp = static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bmp);
    const COLORREF c = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bmp);
    return c;
}

class Zoom : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        shared_ = std::make_unique<controls_test::RecordingParent>();
        ASSERT_TRUE(shared_->Create());
    }
    static void TearDownTestSuite() { shared_.reset(); }
    void SetUp() override { ASSERT_TRUE(zoom.Create(shared_->Handle(), 1400, RECT{0, 0, 334, 194})); }
    static std::unique_ptr<controls_test::RecordingParent> shared_;
    vistrel::CZoomControl zoom;
};
std::unique_ptr<controls_test::RecordingParent> Zoom::shared_;

TEST_F(Zoom, WholeFrameIsMarkedWithoutIcon) {
    zoom.Update(kCentred, DesignDisplay());
    EXPECT_EQ(zoom.Marker(), (Marker{7, 7, 320, 180}));
    EXPECT_EQ(PixelOf(zoom.Handle(), 167, 97), kMarkerGrey);  // where an icon would be
    EXPECT_EQ(PixelOf(zoom.Handle(), 8, 97), kWhite);         // the outline
    EXPECT_EQ(PixelOf(zoom.Handle(), 2, 2), kWhite);          // the ground around the picture
}

TEST_F(Zoom, ZoomTwoMarksTheCentreWithTheIcon) {
    ZoomState z = kCentred;
    z.zoom = 2.0;
    zoom.Update(z, DesignDisplay());
    EXPECT_EQ(zoom.Marker(), (Marker{87, 52, 160, 90}));
    // The 64-pixel icon at the marker's centre, its own picture one to one.
    EXPECT_EQ(PixelOf(zoom.Handle(), 87 + 48 + 32, 52 + 13 + 32), BitmapPixel(IDB_ZOOM, 32, 32));
    EXPECT_EQ(PixelOf(zoom.Handle(), 87 + 8, 52 + 8), kMarkerGrey);
    EXPECT_EQ(PixelOf(zoom.Handle(), 87, 52 + 45), kWhite);
    EXPECT_EQ(PixelOf(zoom.Handle(), 50, 30), BitmapPixel(IDB_NAVIGATOR_FRAME, 43, 23));
}

TEST_F(Zoom, CornerClampsAndBelowOneKeepsTheMarker) {
    ZoomState z = kCentred;
    z.fx = z.fy = 0.0;
    z.zoom = 4.0;
    zoom.Update(z, DesignDisplay());
    const Marker corner{7, 7, 80, 45};
    EXPECT_EQ(zoom.Marker(), corner);
    z.fx = z.fy = 0.5;
    z.zoom = 0.5;
    zoom.Update(z, DesignDisplay());
    EXPECT_EQ(zoom.Marker(), corner);
    // Reset centres it again at the current zoom (still 0.5: nothing moves).
    zoom.Reset();
    EXPECT_EQ(zoom.Marker(), corner);
}

TEST_F(Zoom, DisabledShowsTheDisabledPictureAndNoMarker) {
    ZoomState z = kCentred;
    z.zoom = 2.0;
    zoom.Update(z, DesignDisplay());
    EnableWindow(zoom.Handle(), FALSE);
    EXPECT_EQ(PixelOf(zoom.Handle(), 87 + 8, 52 + 8), BitmapPixel(IDB_NAVIGATOR_FRAME_DISABLED, 80 + 8, 45 + 8));
    EXPECT_EQ(PixelOf(zoom.Handle(), 87, 52 + 45), BitmapPixel(IDB_NAVIGATOR_FRAME_DISABLED, 80, 90));
    EXPECT_NE(BitmapPixel(IDB_NAVIGATOR_FRAME_DISABLED, 88, 53), BitmapPixel(IDB_NAVIGATOR_FRAME, 88, 53));
}

}  // namespace
