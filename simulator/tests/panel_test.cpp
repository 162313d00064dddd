// The simulated panel under Wine: a plain window painting the key colour stands in for the
// viewer's play view; the plane is set as the bridge sets it (plane words, then a draw request);
// the snapshot is what a person would see on the tablet's panel.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "tests/support/CwProcess.h"
#include "winkit/Gdi.h"
#include "winkit/Handle.h"
#include "simulator/include/MrcSimClient.h"
#include "simulator/model/PanelComposer.h"
#include "simulator/model/Pattern.h"
#include "simulator/tests/TestHost.h"

using namespace mrcsim;

namespace {

// The plane on the tablet area (0, 0) - (1280, 800), which is the output size: one screen pixel
// is one output pixel.
constexpr RECT kPlane{100, 100, 740, 460};  // 640 x 360, a third of the 1080p input
constexpr char kScenario[] = R"({"clock": "manual", "output": {"width": 1280, "height": 800},
  "hdmi": {"state": "signal", "width": 1920, "height": 1080, "fps_code": 8}})";
constexpr COLORREF kKey = RGB(0, 3, 0);

LRESULT CALLBACK SolidProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_ERASEBKGND) {
        RECT rc;
        GetClientRect(hwnd, &rc);
        const winkit::Brush brush(CreateSolidBrush(static_cast<COLORREF>(GetWindowLongPtrW(hwnd, GWLP_USERDATA))));
        FillRect(reinterpret_cast<HDC>(wp), &rc, brush.Get());
        return 1;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

BgrImage ScreenCopy(const RECT& r);
void Pump(int ms);

// A borderless window filled with one colour, standing where the viewer's view would be; back
// once the screen shows it.
winkit::UniqueWindow SolidWindow(const RECT& r, COLORREF colour) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &SolidProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"PanelTestSolid";
    (void)RegisterClassW(&wc);
    winkit::UniqueWindow w(CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, wc.lpszClassName, L"", WS_POPUP, r.left,
                                           r.top, r.right - r.left, r.bottom - r.top, nullptr, nullptr, wc.hInstance,
                                           nullptr));
    SetWindowLongPtrW(w.Get(), GWLP_USERDATA, static_cast<LONG_PTR>(colour));
    ShowWindow(w.Get(), SW_SHOWNOACTIVATE);
    UpdateWindow(w.Get());
    const LONG cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    for (int i = 0; i < 250; ++i) {
        const BgrImage at = ScreenCopy(RECT{cx, cy, cx + 1, cy + 1});
        if (at.width == 1 && at.At(0, 0)[0] == GetBValue(colour) && at.At(0, 0)[1] == GetGValue(colour) &&
            at.At(0, 0)[2] == GetRValue(colour))
            break;
        Pump(20);
    }
    return w;
}

void Pump(int ms) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(ms);
    MSG msg;
    while (GetTickCount64() < end) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(10);
    }
}

BgrImage ReadBmp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    const std::vector<std::uint8_t> b((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    BgrImage img;
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return img;
    auto u32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | b[at + 3] << 24);
    };
    const std::uint32_t w = u32(18), h = u32(22), row = (w * 3u + 3u) / 4u * 4u;
    if (b.size() < 54u + static_cast<std::size_t>(row) * h) return img;
    img.Resize(w, h);
    for (std::uint32_t y = 0; y < h; ++y)
        std::memcpy(img.At(0, y), &b[54u + static_cast<std::size_t>(h - 1 - y) * row], w * 3u);
    return img;
}

// The region `r` of an image, as its own image.
BgrImage Crop(const BgrImage& src, const RECT& r) {
    BgrImage out;
    out.Resize(static_cast<std::uint32_t>(r.right - r.left), static_cast<std::uint32_t>(r.bottom - r.top));
    for (std::uint32_t y = 0; y < out.height; ++y)
        std::memcpy(out.At(0, y), src.At(static_cast<std::uint32_t>(r.left), static_cast<std::uint32_t>(r.top) + y),
                    out.width * 3u);
    return out;
}

bool IsRgb(const BgrImage& img, std::uint32_t x, std::uint32_t y, int r, int g, int b) {
    const std::uint8_t* p = img.At(x, y);
    return p[2] == r && p[1] == g && p[0] == b;
}

std::size_t CountColour(const BgrImage& img, const RECT& r, int red, int green, int blue) {
    std::size_t n = 0;
    for (LONG y = r.top; y < r.bottom; ++y)
        for (LONG x = r.left; x < r.right; ++x)
            n += IsRgb(img, static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), red, green, blue);
    return n;
}

// The screen as the viewer's overlap detector copies it (BitBlt with CAPTUREBLT).
BgrImage ScreenCopy(const RECT& r) {
    BgrImage img;
    const int w = r.right - r.left, h = r.bottom - r.top;
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const winkit::ClientDc screen(nullptr);
    const winkit::Bitmap dib(CreateDIBSection(screen.Get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    const winkit::MemoryDc mem(CreateCompatibleDC(screen.Get()));
    if (!dib || !mem || bits == nullptr) return img;
    {
        const winkit::SelectGuard sel(mem.Get(), dib.Get());
        BitBlt(mem.Get(), 0, 0, w, h, screen.Get(), r.left, r.top, SRCCOPY | CAPTUREBLT);
        GdiFlush();
    }
    img.Resize(static_cast<std::uint32_t>(w), static_cast<std::uint32_t>(h));
    const std::size_t row = (static_cast<std::size_t>(w) * 3u + 3u) / 4u * 4u;
    for (int y = 0; y < h; ++y)
        std::memcpy(img.At(0, static_cast<std::uint32_t>(y)), static_cast<std::uint8_t*>(bits) + row * y,
                    static_cast<std::size_t>(w) * 3u);
    return img;
}

class Panel : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.complete) << "the simulator's control API is not available";
        ASSERT_EQ(sim.Reset(kScenario), 0) << sim.LastError();
        const HMODULE m = GetModuleHandleW(L"Merrowcom.dll");
        auto create = reinterpret_cast<merrowcom::CreateGenericFuncFn>(
            reinterpret_cast<void*>(GetProcAddress(m, merrowcom::kCreateGenericFunc)));
        ASSERT_NE(create, nullptr);
        host = std::make_unique<testhost::Host>(create());
        ASSERT_EQ(host->Attach(), 0u);
        ASSERT_EQ(host->Command(kCmdOpen), 0);
        // the tablet's area is the output's size at the screen's corner, composed without a mirror
        MrcSimPanel setup{0, 0, 1280, 800, 0, 0, 0, 0, 20, 1};
        ASSERT_EQ(sim.PanelStart(&setup), 0) << sim.LastError();
        key = SolidWindow(kPlane, kKey);
        SetPlane(kPlane, RECT{0, 0, 1920, 1080}, true);
    }
    void TearDown() override {
        if (host) {
            (void)host->Command(kCmdClose);
            (void)host->Detach();
        }
        (void)sim.PanelStop();
    }

    // As the bridge draws: plane words, then the draw request.
    void SetPlane(const RECT& dst, const RECT& src, bool on) {
        const std::uint32_t words[] = {1, on ? 1u : 0u};
        (void)sim.Poke(kPlaneBaseEnb, words[0]);
        (void)sim.Poke(kPlaneVideoEnb, words[1]);
        const LONG d[4] = {dst.left, dst.top, dst.right - dst.left, dst.bottom - dst.top};
        const LONG s[4] = {src.left, src.top, src.right - src.left, src.bottom - src.top};
        for (int i = 0; i < 4; ++i) {
            (void)sim.Poke(kPlaneDst + 4u * i, static_cast<std::uint32_t>(d[i]));
            (void)sim.Poke(kPlaneSrc + 4u * i, static_cast<std::uint32_t>(s[i]));
        }
        (void)sim.Poke(kPlaneAngle, 0);
        ASSERT_EQ(host->Draw(), 0);
    }

    BgrImage Snapshot() {
        const std::wstring wide = dir.path() + L"\\panel.bmp";
        const std::string path(wide.begin(), wide.end());  // the temporary folder's name is ASCII
        EXPECT_EQ(sim.PanelSnapshot(path.c_str()), 0) << sim.LastError();
        BgrImage img = ReadBmp(path);
        EXPECT_EQ(img.width, 1280u);
        EXPECT_EQ(img.height, 800u);
        return img;
    }
    std::int64_t Counter(const BgrImage& panel) {
        const BgrImage region = Crop(panel, kPlane);
        return PatternRenderer::ReadCounter(region.pixels.data(), region.width, region.height,
                                            static_cast<std::ptrdiff_t>(region.width) * 3);
    }

    std::string Caption(const BgrImage& panel) {
        const BgrImage region = Crop(panel, kPlane);
        return PatternRenderer::ReadCaption(region.pixels.data(), region.width, region.height,
                                            static_cast<std::ptrdiff_t>(region.width) * 3);
    }

    const Client& sim = Sim();
    std::unique_ptr<testhost::Host> host;
    winkit::UniqueWindow key;
    cwtest::TempDir dir;
};

TEST_F(Panel, PictureFillsTheKeyColouredPlaneOnlyAndAWindowOverItHidesThatPart) {
    ASSERT_EQ(sim.Advance(1000), 0);  // 60 frames at 60/s
    BgrImage shot = Snapshot();
    ASSERT_GT(shot.width, 0u);
    EXPECT_EQ(Counter(shot), 60);
    // no key colour is left inside the plane, and none of the picture outside it
    EXPECT_EQ(CountColour(shot, kPlane, 0, 3, 0), 0u);
    const BgrImage screen = ScreenCopy(RECT{0, 0, 1280, 800});
    for (const POINT p : {POINT{99, 300}, POINT{740, 300}, POINT{400, 99}, POINT{400, 460}, POINT{5, 5}})
        EXPECT_EQ(std::memcmp(shot.At(p.x, p.y), screen.At(p.x, p.y), 3), 0) << p.x << "," << p.y;
    // the whole input is scaled in: the first bar (75 % white) at the left, the last (black) at
    // the right, the cyan bar a quarter across
    EXPECT_TRUE(IsRgb(shot, 102, 200, 191, 191, 191));
    EXPECT_TRUE(IsRgb(shot, 100 + 640 / 4 + 20, 200, 0, 191, 191));
    EXPECT_TRUE(IsRgb(shot, 737, 200, 0, 0, 0));

    // a white window over the plane's top-left corner: that part shows the window
    const winkit::UniqueWindow cover = SolidWindow(RECT{100, 100, 300, 200}, RGB(255, 255, 255));
    shot = Snapshot();
    EXPECT_EQ(CountColour(shot, RECT{100, 100, 300, 200}, 255, 255, 255), 200u * 100u);
    EXPECT_TRUE(IsRgb(shot, 100 + 640 / 4 + 20, 250, 0, 191, 191));  // beside it the picture stays
}

TEST_F(Panel, ZoomRectangleShowsTheEnlargedRegion) {
    // twice the size, centred: the source's x 480..1440 fills the plane
    SetPlane(kPlane, RECT{480, 270, 1440, 810}, true);
    const BgrImage shot = Snapshot();
    EXPECT_TRUE(IsRgb(shot, 102, 200, 0, 191, 191));   // bar 2 (cyan) is now at the left edge
    EXPECT_TRUE(IsRgb(shot, 737, 200, 191, 0, 0));     // bar 5 (red) at the right edge
    // the counter is drawn at the bottom left of the input, outside this region
    EXPECT_EQ(Counter(shot), -1);
}

TEST_F(Panel, PauseHoldsTheLastFrameAndOffShowsNoPicture) {
    ASSERT_EQ(sim.Advance(500), 0);
    ASSERT_EQ(host->Command(kCmdPause), 0);
    ASSERT_EQ(sim.Advance(2000), 0);
    EXPECT_EQ(Counter(Snapshot()), 30);
    ASSERT_EQ(host->Command(kCmdResume), 0);
    ASSERT_EQ(sim.Advance(500), 0);
    EXPECT_EQ(Counter(Snapshot()), 180);  // the input ran on while the plane held its picture

    SetPlane(kPlane, RECT{0, 0, 1920, 1080}, false);
    const BgrImage off = Snapshot();
    EXPECT_EQ(CountColour(off, kPlane, 0, 3, 0), 640u * 360u);  // the view's own colour, nothing over it
}

TEST_F(Panel, WithoutSignalThePlaneIsBlack) {
    ASSERT_EQ(sim.Update(R"({"hdmi": {"state": "no_signal"}})"), 0);
    const BgrImage shot = Snapshot();
    EXPECT_EQ(CountColour(shot, kPlane, 0, 0, 0), 640u * 360u);
}

TEST_F(Panel, DetectorsScreenCopyKeepsTheKeyColourWhileTheMirrorShowsThePicture) {
    // With a second monitor (the run command's two-screen display) the mirror goes there by
    // itself; on one screen it is put beside the tablet's area, as a second monitor would be.
    ASSERT_EQ(sim.PanelStop(), 0);
    MrcSimPanel setup{0, 0, 1280, 800, 1280, 0, 1280 + 640, 400, 20, 0};
    RECT mirror_at{1280, 0, 1920, 400};
    if (GetSystemMetrics(SM_CMONITORS) >= 2) {
        setup.mirror_left = setup.mirror_top = setup.mirror_right = setup.mirror_bottom = 0;
        MONITORINFO mi{};
        mi.cbSize = sizeof mi;
        ASSERT_TRUE(GetMonitorInfoW(MonitorFromPoint(POINT{1280, 0}, MONITOR_DEFAULTTONEAREST), &mi));
        mirror_at = mi.rcMonitor;
    }
    ASSERT_EQ(sim.PanelStart(&setup), 0) << sim.LastError();
    // the cyan bar where the plane's quarter lies, at the mirror's scale
    const LONG mw = mirror_at.right - mirror_at.left, mh = mirror_at.bottom - mirror_at.top;
    const RECT probe{(100 + 640 / 4 + 20) * mw / 1280, 200 * mh / 800, 0, 0};
    auto cyan = [&](const BgrImage& m) {
        const std::uint8_t* p = m.At(static_cast<std::uint32_t>(probe.left), static_cast<std::uint32_t>(probe.top));
        return p[0] > 150 && p[1] > 150 && p[2] < 40;
    };
    BgrImage mirror;
    for (int i = 0; i < 250; ++i) {  // the mirror's first compositions, however slow the machine
        Pump(20);
        mirror = ScreenCopy(mirror_at);
        if (cyan(mirror)) break;
    }
    EXPECT_TRUE(cyan(mirror));
    EXPECT_EQ(CountColour(mirror, RECT{0, 0, mw, mh}, 0, 3, 0), 0u);
    // and the detector's copy of the watched area, taken while the picture shows
    const BgrImage watched = ScreenCopy(kPlane);
    EXPECT_EQ(CountColour(watched, RECT{0, 0, 640, 360}, 0, 3, 0), 640u * 360u);
    EXPECT_EQ(sim.PanelStart(&setup), -1);  // one panel
}

TEST_F(Panel, DemoTimelineShowsEachStepOnThePanel) {
    std::ifstream f(std::string(MRCSIM_SCENARIOS) + "/demo.json");
    std::string demo((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    const std::size_t clock = demo.find(R"("clock": "real")");
    ASSERT_NE(clock, std::string::npos);
    demo.replace(clock, 15, R"("clock": "manual")");
    ASSERT_EQ(sim.Reset(demo.c_str()), 0) << sim.LastError();
    ASSERT_EQ(host->Command(kCmdOpen), 0);
    SetPlane(kPlane, RECT{0, 0, 1920, 1080}, true);
    // each step as the bridge follows it: the plane drawn again over the whole new input
    auto at = [&](std::uint32_t ms) {
        const std::uint64_t now = sim.NowMs();
        if (ms > now) (void)sim.Advance(static_cast<std::uint32_t>(ms - now));
        MrcSimHdmi h{};
        (void)sim.GetHdmi(&h);
        SetPlane(kPlane, RECT{0, 0, static_cast<LONG>(h.width), static_cast<LONG>(h.height)}, true);
        return h;
    };
    at(10000);
    BgrImage shot = Snapshot();
    EXPECT_EQ(Counter(shot), 600);  // signal from the start, 60 frames a second
    EXPECT_EQ(Caption(shot), "1920X1080 60P RGB 8BIT");
    MrcSimHdmi h = at(16000);  // the format change, a second ago
    EXPECT_EQ(h.width, 1280u);
    shot = Snapshot();
    EXPECT_EQ(Caption(shot), "1280X720 59.94P YUV422 8BIT");
    EXPECT_EQ(Counter(shot), 59);
    EXPECT_EQ(at(26000).hdcp, 1u);
    EXPECT_EQ(Caption(Snapshot()), "1280X720 59.94P YUV422 8BIT HDCP");  // protected, still shown
    EXPECT_EQ(at(31000).hdcp, 0u);
    EXPECT_EQ(Caption(Snapshot()), "1280X720 59.94P YUV422 8BIT");
    EXPECT_EQ(at(36000).state, 0u);  // cable out: black
    EXPECT_EQ(CountColour(Snapshot(), kPlane, 0, 0, 0), 640u * 360u);
    EXPECT_EQ(at(39000).state, 1u);  // cable in, no signal yet: black
    EXPECT_EQ(CountColour(Snapshot(), kPlane, 0, 0, 0), 640u * 360u);
    EXPECT_EQ(at(41000).state, 2u);  // back, 1080p60, counting from the new signal
    shot = Snapshot();
    EXPECT_EQ(Counter(shot), 60);
    EXPECT_EQ(Caption(shot), "1920X1080 60P RGB 8BIT");
    at(46000);  // the still moment: the source holds its picture long enough to zoom into it
    const std::int64_t still = Counter(Snapshot());
    EXPECT_GE(still, 0);
    at(55000);
    EXPECT_EQ(Counter(Snapshot()), still);
    at(61000);
    EXPECT_GT(Counter(Snapshot()), still);
}

}  // namespace
