#include "viewer/app/OverlapDetector.h"

#include <exception>
#include <mutex>

#include "winkit/Gdi.h"

// Locks: COverlapDetector::lock_ is taken alone (the worker drops it before
// the examination); the strip pool's locks are never held together with it.

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
    : side_margin_(SideMarginForDpi(ScreenDpi())), pool_(StripPool::DefaultHelpers()) {
    try {
        worker_ = winkit::Thread([this] { WorkerLoop(); });
    } catch (const std::exception&) {
        // No worker: no examination ever starts, and the result stays 0.
    }
}

COverlapDetector::~COverlapDetector() {
    {
        const std::lock_guard lock(lock_);
        stop_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable()) worker_.join();
}

bool COverlapDetector::Start(const RECT& capture, const RECT& excluded, COLORREF background, bool synchronous,
                             std::int32_t* previous) {
    std::unique_lock lock(lock_);
    if (busy_ != 0 || !worker_.joinable()) return false;
    // The previous examination is over (it cleared busy after storing its
    // result), so this is its settled result.
    if (previous != nullptr) *previous = Result();
    busy_ = 1;
    ran_ = false;
    ++started_;
    job_.capture = capture;
    job_.excluded = vistrel::Rect{excluded.left - capture.left, excluded.top - capture.top,
                                  excluded.right - capture.left, excluded.bottom - capture.top};
    job_.background = background;
    wake_.notify_one();
    if (!synchronous) return true;
    idle_.wait(lock, [this] { return busy_ == 0; });
    return ran_;
}

void COverlapDetector::WorkerLoop() noexcept {
    std::unique_lock lock(lock_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || busy_ != 0; });
        // A running examination is finished before stopping, so busy is
        // always cleared by the one who set the job going.
        if (busy_ == 0 && stop_) return;
        const Job job = job_;
        lock.unlock();
        vistrel::Rect united;
        const bool ran = Examine(job, &united);
        lock.lock();
        ran_ = ran;
        if (ran) last_union_ = united;
        busy_ = 0;
        idle_.notify_all();
    }
}

bool COverlapDetector::Examine(const Job& job, vistrel::Rect* united) noexcept {
    bool ran = false;
    try {
        if (image_.CopyFromScreen(job.capture)) {
            const Examination found = Overlap::Examine(
                image_.View(), ScanParams{job.excluded, job.background, side_margin_}, &pool_);
            result_.store(found.covered, std::memory_order_release);
            *united = found.united;
            ran = true;
        }
    } catch (const std::exception&) {
        ran = false;  // out of memory: the result stays as it was
    }
    image_.Release();  // the bitmap is not kept between examinations
    return ran;
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
