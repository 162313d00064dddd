// Firmware update: the image goes to the controller, its firmware tool writes it, the written
// image comes back and is compared, and only a verified image is swapped in. Up to three
// attempts, with progress reports to the caller on the caller's thread.
#include "bridge/src/Update.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "bridge/src/Connection.h"
#include "bridge/src/ShellChannel.h"

namespace tolvane::update {

namespace {

std::atomic<std::int64_t> g_preparing_pause_ms{100};

constexpr std::uint64_t kMaxImageBytes = 0xFFFFFFFFu;  // the window's total is a 32-bit count

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// Reads the whole file; false when it cannot be opened or read, or is larger than a window can
// announce. The size is checked first, so an oversized file is refused without reading it.
bool ReadImage(const char* path, std::vector<std::uint8_t>& out) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "rb"));
    if (!file) return false;
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec || size > kMaxImageBytes) return false;
    std::vector<std::uint8_t> data;
    try {
        data.reserve(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        return false;
    }
    std::uint8_t block[64 * 1024];
    for (;;) {
        const std::size_t n = std::fread(block, 1, sizeof block, file.get());
        if (n > 0) {
            // A file that grows while it is read is held to the same limit.
            if (data.size() + n > kMaxImageBytes) return false;
            try {
                data.insert(data.end(), block, block + n);
            } catch (const std::bad_alloc&) {
                return false;
            }
        }
        if (n < sizeof block) break;
    }
    if (std::ferror(file.get())) return false;
    out = std::move(data);
    return true;
}

// The caller's record, its callback, and the last percent reported.
class Progress {
public:
    Progress(KdrUpdateProgress* record, KdrUpdateCb callback) : record_(record), callback_(callback) {}

    void SetState(std::int32_t s) {
        record_->state = s;
        record_->percent = 0;  // each phase counts from 0
        Report();
    }
    void Percent(std::int32_t p) {
        record_->percent = p;
        Report();
    }
    void Report() {
        last_reported_ = record_->percent;
        if (callback_ != nullptr) {
            const KdrUpdateProgress copy = *record_;
            callback_(&copy);
        }
    }
    // A chunk moved: the phase's share from `base` over `span` percent, reported in steps of 10.
    shell::ChunkCallback ChunkReporter(std::int32_t base, std::int32_t span) {
        return [this, base, span](const shell::ChunkInfo& c) {
            if (c.total == 0) return;
            const std::uint64_t done = c.total - std::min(c.still_to_come, c.total);
            record_->percent = base + static_cast<std::int32_t>(done * static_cast<std::uint64_t>(span) / c.total);
            if (record_->percent >= last_reported_ + 10) Report();
        };
    }
    void Retry() { ++record_->retry_count; }
    KdrUpdateProgress& Record() { return *record_; }

private:
    KdrUpdateProgress* record_;
    KdrUpdateCb callback_;
    std::int32_t last_reported_ = 0;
};

// Formats a command line as the controller's shell takes it (at most 1023 characters).
bool FormatLine(const char* format, const char* name, std::string& out) {
    char line[shell::kCommandLineBytes];
    const int n = name != nullptr ? std::snprintf(line, sizeof line, format, name)
                                  : std::snprintf(line, sizeof line, "%s", format);
    if (n < 0 || static_cast<std::size_t>(n) >= sizeof line) return false;
    out.assign(line, static_cast<std::size_t>(n));
    return true;
}

// Runs a line; with `need_zero` its exit status must be 0 as well.
[[nodiscard]] bool RunLine(const char* format, const char* name, bool need_zero) {
    std::string line;
    if (!FormatLine(format, name, line)) return false;
    std::uint32_t exit_status = 0;
    if (shell::RunShell(line, exit_status) != 0) return false;
    return !need_zero || exit_status == 0;
}

constexpr const char kRemove[] = "rm -f %s";
constexpr const char kToolWrite[] = "/usr/sbin/fw_update write %s";
constexpr const char kToolRead[] = "/usr/sbin/fw_update read %s";
constexpr const char kToolSwap[] = "/usr/sbin/fw_update swap";

bool Attempt(const std::vector<std::uint8_t>& image, Progress& progress) {
    progress.SetState(KDR_UPDATE_WRITING);
    if (!RunLine(kRemove, kWriteImage, false)) return false;
    if (shell::WriteControllerFile(kWriteImage, shell::kWinImageToController, image.data(), image.size(),
                          progress.ChunkReporter(0, 80)) != 0) {
        return false;
    }
    progress.Percent(80);
    if (!RunLine(kToolWrite, kWriteImage, true)) return false;
    if (!RunLine(kRemove, kWriteImage, false)) return false;
    progress.Percent(100);

    progress.SetState(KDR_UPDATE_VERIFYING);
    if (!RunLine(kRemove, kReadImage, false)) return false;
    if (!RunLine(kToolRead, kReadImage, true)) return false;
    progress.Percent(20);
    std::vector<std::uint8_t> back;
    if (shell::ReadControllerFile(kReadImage, shell::kWinImageFromController, back, progress.ChunkReporter(20, 80)) != 0) {
        return false;
    }
    if (!RunLine(kRemove, kReadImage, false)) return false;
    progress.Percent(100);

    // The tool may pad what it reads back; a shorter read-back is a mismatch.
    const bool same = back.size() >= image.size() && std::equal(image.begin(), image.end(), back.begin());
    back.clear();
    back.shrink_to_fit();
    if (!same) return false;
    progress.Report();
    return RunLine(kToolSwap, nullptr, true);
}

}  // namespace

void SetPreparingPause(std::chrono::milliseconds pause) { g_preparing_pause_ms.store(pause.count()); }

std::int32_t Run(const char* path, KdrUpdateProgress* record, KdrUpdateCb callback) {
    if (record == nullptr) return KDR_ERR_PARAM;
    *record = KdrUpdateProgress{};
    std::vector<std::uint8_t> image;
    if (path == nullptr || !ReadImage(path, image) || image.empty()) return KDR_ERR_PARAM;

    Progress progress(record, callback);
    record->state = KDR_UPDATE_PREPARING;
    const auto pause = std::chrono::milliseconds(g_preparing_pause_ms.load());
    for (std::int32_t p = 0; p <= 90; p += 10) {
        progress.Percent(p);
        std::this_thread::sleep_for(pause);
    }
    progress.Percent(100);

    bool done = false;
    for (int made = 0; made < kAttempts && !done; ++made) {
        done = Attempt(image, progress);
        if (!done) progress.Retry();
    }
    if (!done) return KDR_ERR_FAIL;
    record->state = KDR_UPDATE_DONE;
    record->percent = 100;
    return KDR_OK;
}

}  // namespace tolvane::update

using namespace tolvane;

extern "C" int32_t KDR_CALL Kdr_DevUpdate(KdrHandle* handle, const char* path, KdrUpdateProgress* progress,
                                          KdrUpdateCb callback) {
    ApiGuard guard(TheBridge().api);
    if (!guard.Ok() || !HandleValid(handle)) return KDR_ERR_FAIL;
    try {
        return update::Run(path, progress, callback);
    } catch (const std::bad_alloc&) {
        return KDR_ERR_FAIL;
    }
}
