#include "bridge/src/MovieQueue.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <iterator>

#include "bridge/src/Connection.h"
#include "bridge/src/ControllerMemory.h"
#include "bridge/src/Planes.h"

namespace tolvane {

namespace {

std::uint64_t SteadyNow() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

std::atomic<std::uint64_t (*)()> g_clock_now{nullptr};
std::atomic<std::uint64_t> g_clock_frequency{0};

// Format code of a frame notice (bits 0-7 of word1) to the setting's format; 0 for a code
// the bridge does not know.
std::int32_t NoticeFormat(std::uint32_t code) {
    switch (code) {
        case 0: return 1;
        case 1: return 3;
        case 2: return 2;
        default: return 0;
    }
}

}  // namespace

std::uint32_t MovieFrameBytes(const KdrXY& size, std::int32_t format) {
    const std::uint64_t bpp = format == 3 ? 2u : 3u;
    const std::uint64_t row = (static_cast<std::uint64_t>(size.x) * bpp + 3u) / 4u * 4u;
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(size.y) * row);
}

MovieClock DefaultMovieClock() { return MovieClock{&SteadyNow, 1000000000u}; }

void SetMovieClock(const MovieClock& clock) {
    const bool usable = clock.now != nullptr && clock.frequency != 0;
    g_clock_now.store(usable ? clock.now : nullptr);
    g_clock_frequency.store(usable ? clock.frequency : 0);
}

MovieQueue::MovieQueue(KdrHandle connection) : connection_(connection) {
    std::uint64_t (*now)() = g_clock_now.load();
    clock_ = now != nullptr ? MovieClock{now, g_clock_frequency.load()} : DefaultMovieClock();
    thread_ = winkit::Thread([this] { TransferLoop(); });
}

MovieQueue::~MovieQueue() { Stop(); }

void MovieQueue::Stop() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard<winkit::Mutex> lock(mutex_);
        stop_ = true;
    }
    cv_.notify_all();
    thread_.join();
}

void MovieQueue::FrameNotice(const Message& notice) {
    {
        std::lock_guard<winkit::Mutex> lock(mutex_);
        notices_.push_back(notice);
    }
    cv_.notify_all();
}

std::int32_t MovieQueue::Configure(const KdrMovieSetting& setting) {
    const std::uint32_t frame = MovieFrameBytes(setting.size, setting.format);
    {
        std::lock_guard<winkit::Mutex> lock(mutex_);
        if (!in_transfer_.empty() || !delivered_.empty()) return KDR_ERR_STATE;
        // The counters are reset before anything changes, so a failing write leaves the
        // previous setting and its slots whole.
        if (WriteWord(movie_reg::kCount, 0) != 0 || WriteDouble(movie_reg::kBytes, 0.0) != 0 ||
            WriteDouble(movie_reg::kSeconds, 0.0) != 0) {
            return KDR_ERR_STATE;
        }
        const std::uint32_t count = frame == 0 ? 0 : setting.buffer.size / frame;
        if (count == 0) return KDR_ERR_STATE;
        notices_.clear();
        free_.clear();
        ready_.clear();
        auto* base = static_cast<std::uint8_t*>(setting.buffer.buffer);
        for (std::uint32_t i = 0; i < count; ++i) {
            // Byte-wise zero, padding included: the caller sees 4 zero bytes after data.size.
            KdrMovieFrame record;
            std::memset(&record, 0, sizeof record);
            record.data.buffer = base + static_cast<std::size_t>(i) * frame;
            record.data.size = frame;
            free_.push_back(record);
        }
        size_ = setting.size;
        format_ = setting.format;
        frame_bytes_ = frame;
    }
    cv_.notify_all();
    return KDR_OK;
}

void MovieQueue::GiveBack(std::uint32_t address, bool& ok) {
    CommandSequence seq;
    ok = WriteWord(reg::kParam0, address) == 0 && seq.Call(kCmdFrameGiveBack, true) == 0;
}

void MovieQueue::TransferLoop() {
    for (;;) {
        Message notice{};
        std::list<KdrMovieFrame>::iterator slot;
        KdrXY size{};
        std::int32_t format = 0;
        std::uint32_t frame = 0;
        void* target = nullptr;
        {
            std::unique_lock<winkit::Mutex> lock(mutex_);
            cv_.wait(lock, [this] { return stop_ || (!notices_.empty() && !free_.empty()); });
            if (stop_) return;
            notice = notices_.front();
            notices_.pop_front();
            in_transfer_.splice(in_transfer_.end(), free_, free_.begin());
            slot = std::prev(in_transfer_.end());
            size = size_;
            format = format_;
            frame = frame_bytes_;
            target = slot->data.buffer;
        }

        // Decode: format code, device drops, width, height, controller address.
        const std::uint32_t code = notice.word[1] & 0xFFu;
        const std::uint32_t drops = (notice.word[1] >> 8) & 0xFFu;
        const auto width = static_cast<std::int32_t>(notice.word[2] >> 16);
        const auto height = static_cast<std::int32_t>(notice.word[2] & 0xFFFFu);
        const std::uint32_t address = notice.word[3];

        bool ok = false;
        double seconds = 0.0;
        if (code > 2) {
            // Unknown format: nothing is asked of the controller.
        } else if (NoticeFormat(code) == format && width == size.x && height == size.y) {
            const std::uint64_t t0 = clock_.now();
            const bool read = ReadBlock(address, target, frame) == 0;
            const std::uint64_t t1 = clock_.now();
            if (read) {
                seconds = static_cast<double>(t1 - t0) / static_cast<double>(clock_.frequency);
                GiveBack(address, ok);
            } else {
                // The controller keeps a frame until it is given back: a failed read must not
                // cost it one of its buffers for good.
                bool given = false;
                GiveBack(address, given);
            }
        } else {
            bool given = false;
            GiveBack(address, given);
        }

        {
            std::lock_guard<winkit::Mutex> lock(mutex_);
            if (handled_ > 0) device_drops_ += drops;
            const std::uint64_t dropped = local_failures_ + device_drops_;
            KdrMovieFrame& record = *slot;
            record.frame_id = handled_;
            record.drop_count = dropped - reported_;
            record.size = size;
            record.format = format;
            record.reserved = 0;

            std::uint32_t count = 0;
            if (ReadWord(movie_reg::kCount, count) == 0) (void)WriteWord(movie_reg::kCount, count + 1);
            double value = 0.0;
            if (ReadDouble(movie_reg::kBytes, value) == 0) {
                (void)WriteDouble(movie_reg::kBytes, value + static_cast<double>(frame));
            }
            if (ReadDouble(movie_reg::kSeconds, value) == 0) {
                (void)WriteDouble(movie_reg::kSeconds, value + seconds);
            }

            if (ok && PostEvent(Message{{ev::kFramesReady, 0, 0, 0}}) != 0) ok = false;
            if (ok) {
                // Only a record that reaches the caller carries drops away; a failed one
                // leaves them for the next frame that does.
                reported_ = dropped;
                ready_.splice(ready_.end(), in_transfer_, slot);
            } else {
                free_.splice(free_.end(), in_transfer_, slot);
                ++local_failures_;
            }
            ++handled_;
        }
        cv_.notify_all();
    }
}

void MovieQueue::DeliverReady() {
    Bridge& b = TheBridge();
    for (;;) {
        KdrMovieFrame copy;
        {
            std::lock_guard<winkit::Mutex> lock(mutex_);
            if (ready_.empty()) break;
            delivered_.splice(delivered_.end(), ready_, ready_.begin());
            std::memcpy(&copy, &delivered_.back(), sizeof copy);
        }
        cv_.notify_all();
        std::int32_t state = 0;
        const bool known = QueryState(true, state) == KDR_OK;
        const KdrMovieCb cb = b.movie_cb.load(std::memory_order_acquire);
        if (known && state == KDR_STATE_MOVIE && cb != nullptr) {
            cb(b.movie_user.load(std::memory_order_acquire), &copy);
            continue;
        }
        // Not handed out: back to free at once, wherever it stands among the delivered
        // frames (older ones may still be with the caller). A frame kept from the caller
        // because the state could not be read is a drop the caller must hear of; one that
        // came after the movie ended is not.
        {
            std::lock_guard<winkit::Mutex> lock(mutex_);
            for (auto it = delivered_.begin(); it != delivered_.end(); ++it) {
                if (it->frame_id == copy.frame_id) {
                    free_.splice(free_.end(), delivered_, it);
                    break;
                }
            }
            if (!known) ++local_failures_;
        }
        cv_.notify_all();
    }
}

std::int32_t MovieQueue::Release(std::uint64_t frame_id) {
    {
        std::lock_guard<winkit::Mutex> lock(mutex_);
        if (delivered_.empty() || delivered_.front().frame_id != frame_id) return KDR_ERR_PARAM;
        free_.splice(free_.end(), delivered_, delivered_.begin());
    }
    cv_.notify_all();
    return KDR_OK;
}

KdrMovieStats MovieQueue::Stats() {
    std::lock_guard<winkit::Mutex> lock(mutex_);
    KdrMovieStats s{};
    s.slots = static_cast<std::uint32_t>(free_.size() + in_transfer_.size() + ready_.size() +
                                         delivered_.size());
    s.free = static_cast<std::uint32_t>(free_.size());
    s.frames = handled_;
    s.dropped = local_failures_ + device_drops_;
    return s;
}

}  // namespace tolvane
