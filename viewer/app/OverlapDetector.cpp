#include "viewer/app/OverlapDetector.h"

#include <exception>
#include <mutex>

#include "winkit/Gdi.h"

// Locks: COverlapDetector::lock_ is taken alone; the strip pool's locks are
// its own and never held together with it.

namespace Pelmora::Lib::Overlap {
namespace {

std::int32_t ScreenDpi() noexcept {
    const winkit::ClientDc screen(nullptr);
    const int dpi = screen.Get() != nullptr ? GetDeviceCaps(screen.Get(), LOGPIXELSX) : 0;
    return dpi > 0 ? dpi : 96;
}

constexpr std::int32_t RowBytes(std::int32_t width) noexcept { return (width * 3 + 3) & ~3; }

}  // namespace

bool ScreenImage::CopyFromScreen(const RECT& area) noexcept {
    Release();
    const std::int32_t w = area.right - area.left, h = area.bottom - area.top;
    if (w <= 0 || h <= 0) return false;
    const winkit::ClientDc screen(nullptr);
    if (screen.Get() == nullptr) return false;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;  // positive: bottom-up rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    winkit::Bitmap bitmap(CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || bits == nullptr) return false;

    const winkit::MemoryDc memory(CreateCompatibleDC(screen.Get()));
    if (!memory) return false;
    {
        const winkit::SelectGuard select(memory.Get(), bitmap.Get());
        if (!BitBlt(memory.Get(), 0, 0, w, h, screen.Get(), area.left, area.top, SRCCOPY | CAPTUREBLT)) return false;
    }
    (void)GdiFlush();  // the pixels are read directly next
    bitmap_ = std::move(bitmap);
    bits_ = static_cast<const std::uint8_t*>(bits);
    width_ = w;
    height_ = h;
    return true;
}

ScreenCopy ScreenImage::View() const noexcept {
    if (bits_ == nullptr) return ScreenCopy{};
    const std::ptrdiff_t stride = RowBytes(width_);
    // The first row in memory is the bottom one on screen.
    return ScreenCopy{bits_ + stride * (height_ - 1), -stride, width_, height_};
}

void ScreenImage::Release() noexcept {
    bitmap_.Reset();
    bits_ = nullptr;
    width_ = height_ = 0;
}

COverlapDetector::COverlapDetector()
    : side_margin_(SideMarginForDpi(ScreenDpi())), pool_(StripPool::DefaultHelpers()) {}

COverlapDetector::~COverlapDetector() {
    if (worker_.joinable()) worker_.join();
}

bool COverlapDetector::Start(const RECT& capture, const RECT& excluded, COLORREF background, bool synchronous,
                             std::int32_t* previous) {
    {
        const std::lock_guard lock(lock_);
        if (busy_ != 0) return false;
        busy_ = 1;
        ran_ = false;
        ++started_;
    }
    // The previous examination is over (it cleared busy last); its result is settled.
    if (previous != nullptr) *previous = Result();
    if (worker_.joinable()) worker_.join();

    const vistrel::Rect relative{excluded.left - capture.left, excluded.top - capture.top,
                                 excluded.right - capture.left, excluded.bottom - capture.top};
    try {
        worker_ = winkit::Thread([this, capture, relative, background] { Work(capture, relative, background); });
    } catch (const std::exception&) {
        const std::lock_guard lock(lock_);
        busy_ = 0;
        --started_;
        return false;
    }
    if (!synchronous) return true;
    worker_.join();
    const std::lock_guard lock(lock_);
    return ran_;
}

void COverlapDetector::Work(RECT capture, vistrel::Rect excluded, COLORREF background) noexcept {
    bool ran = false;
    vistrel::Rect united;
    try {
        if (image_.CopyFromScreen(capture)) {
            const Examination found = Examine(image_.View(), ScanParams{excluded, background, side_margin_}, &pool_);
            result_.store(found.covered, std::memory_order_release);
            united = found.united;
            ran = true;
        }
    } catch (const std::exception&) {
        ran = false;  // out of memory: the result stays as it was
    }
    image_.Release();
    const std::lock_guard lock(lock_);
    ran_ = ran;
    if (ran) last_union_ = united;
    busy_ = 0;
}

bool COverlapDetector::Busy() noexcept {
    const std::lock_guard lock(lock_);
    return busy_ != 0;
}

vistrel::Rect COverlapDetector::LastUnion() noexcept {
    const std::lock_guard lock(lock_);
    return last_union_;
}

std::uint64_t COverlapDetector::Started() noexcept {
    const std::lock_guard lock(lock_);
    return started_;
}

}  // namespace Pelmora::Lib::Overlap
