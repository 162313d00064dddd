#include "bridge/src/Connection.h"

#include <chrono>
#include <new>
#include <utility>

#include "bridge/src/Planes.h"
#include "bridge/src/Platform.h"

namespace tolvane {

namespace {

constexpr std::uint32_t kSendKind = 2;
constexpr int kSendRepeats = 100;
constexpr auto kSendRepeatPause = std::chrono::milliseconds(200);

// The bridge lives as long as the process (never destroyed, so no thread object is
// ever destroyed while running when the library goes away).
Bridge* const g_bridge = new Bridge;

[[nodiscard]] std::int32_t SendToController(std::uint32_t channel, const Message& msg) {
    Bridge& b = TheBridge();
    if (!b.loaded.load(std::memory_order_acquire)) return rc::kTimeout;  // status -1
    merrowcom::Message request{};
    request.kind = kSendKind;
    request.channel = channel;
    for (int i = 0; i < 4; ++i) request.word[i] = msg.word[i];
    merrowcom::SendReply reply{};
    std::uint32_t status = 0;
    for (int repeat = 0;; ++repeat) {
        reply = merrowcom::SendReply{};
        status = b.record.generic->op5_send(&request, &reply, merrowcom::kSendTimeoutMs);
        const bool again = status == merrowcom::kStatusBusy || reply.accepted == 0;
        if (!again || repeat == kSendRepeats) break;
        std::this_thread::sleep_for(kSendRepeatPause);
    }
    if (status != 0) return rc::kTimeout;
    return static_cast<std::int32_t>(reply.result);
}

// Called by the component on its own thread.
void Receiver(const merrowcom::Message* rec, std::uint32_t flags) {
    if (rec == nullptr) return;
    Message msg{{rec->word[0], rec->word[1], rec->word[2], rec->word[3]}};
    // Any reply, a late one too, shows the controller answers again.
    if (rec->channel == kChReply || rec->channel == kChDrawReply)
        TheBridge().unanswered.store(false, std::memory_order_release);
    TheBridge().channels.Arrived(rec->channel, msg, flags);
}

// Handler of channel 32 (component thread, channel 32's mutex held).
void EventRouter(std::uint32_t, const Message& msg) {
    Bridge& b = TheBridge();
    switch (msg.word[0]) {
        case ev::kHdmiSize:
        case ev::kHdmiInfo:
        case ev::kPlaneLive:
        case ev::kPlanePaused:
        case ev::kPlaneMovie:
            (void)PostEvent(msg);  // a full queue drops it: the NotificationThread is behind
            break;
        case ev::kFrameNotice:
            if (b.movie) b.movie->FrameNotice(msg);
            break;
        default:
            break;
    }
}

void Redraw(KdrHandle* handle) { (void)Kdr_VpDrawAll(handle); }

void OnHdmiInfo(KdrHandle* handle, const Message& msg) {
    Bridge& b = TheBridge();
    KdrHdmiInfo info{};
    info.event = msg.word[1];
    info.size.x = static_cast<std::int32_t>(msg.word[2] >> 16);
    info.size.y = static_cast<std::int32_t>(msg.word[2] & 0xFFFFu);
    info.connect = (info.event & 0x4u) == 0 ? 1 : 0;
    if ((info.event & 0x20u) != 0) {
        const std::uint32_t scan = msg.word[3] & 0xFu;
        info.scan = (scan == 1 || scan == 2) ? static_cast<std::int32_t>(scan) : 0;
        info.fps = static_cast<std::int32_t>((msg.word[3] >> 4) & 0xFu);
    }
    if (KdrHdmiInfoCb cb = b.hdmi_info_cb.load(std::memory_order_acquire)) cb(&info);
    {
        ApiGuard guard(b.api);
        if (guard.Ok()) {
            std::int32_t state = 0;
            const std::uint32_t event = *static_cast<volatile std::uint32_t*>(&info.event);
            if (QueryState(false, state) == KDR_OK && state == KDR_STATE_MOVIE &&
                (event & 0x34u) != 0) {
                const std::int32_t video = KDR_PLANE_VIDEO;
                (void)TransitionState(&video, KDR_STATE_LIVE, true);
            }
        }
    }
    Redraw(handle);
}

void NotificationMain(KdrHandle value) {
    Bridge& b = TheBridge();
    b.api.SetNotifier(winkit::CurrentThreadKey());
    {
        std::lock_guard<winkit::Mutex> lock(b.start_mutex);
        b.started = true;
    }
    b.start_cv.notify_all();

    KdrHandle handle = value;
    for (;;) {
        const Message msg = b.events.Take();
        switch (msg.word[0]) {
            case ev::kQuit:
                return;
            case ev::kStateChanged:
                if (KdrStateCb cb = b.state_cb.load(std::memory_order_acquire)) {
                    const std::int32_t state = static_cast<std::int32_t>(msg.word[1]);
                    cb(b.state_user.load(std::memory_order_acquire), &state);
                }
                break;
            case ev::kFramesReady:
                if (std::shared_ptr<MovieQueue> movie = CurrentMovieQueue()) movie->DeliverReady();
                break;
            case ev::kHdmiSize:
                if (KdrHdmiSizeCb cb = b.hdmi_size_cb.load(std::memory_order_acquire)) {
                    const KdrXY size{static_cast<std::int32_t>(msg.word[2] >> 16),
                                     static_cast<std::int32_t>(msg.word[2] & 0xFFFFu)};
                    cb(&size);
                }
                Redraw(&handle);
                break;
            case ev::kHdmiInfo:
                OnHdmiInfo(&handle, msg);
                break;
            case ev::kPlaneLive:
            case ev::kPlanePaused:
            case ev::kPlaneMovie: {
                std::int32_t state = 0;
                (void)QueryState(true, state);
                break;
            }
            default:
                break;
        }
    }
}

[[nodiscard]] std::int32_t StartNotificationThread() {
    Bridge& b = TheBridge();
    b.hdmi_size_cb.store(nullptr, std::memory_order_release);
    b.hdmi_info_cb.store(nullptr, std::memory_order_release);
    b.state_cb.store(nullptr, std::memory_order_release);
    b.state_user.store(nullptr, std::memory_order_release);
    b.movie_cb.store(nullptr, std::memory_order_release);
    b.movie_user.store(nullptr, std::memory_order_release);
    if (b.channels.OpenChannel(kChEvent, kBridgeQueueCapacity, ChannelMode::Incoming,
                                &EventRouter) != rc::kOk ||
        b.notifier) {
        return KDR_ERR_FAIL;
    }
    {
        std::lock_guard<winkit::Mutex> lock(b.start_mutex);
        b.started = false;
    }
    b.notifier = std::make_unique<winkit::Thread>([value = HandleValue()] { NotificationMain(value); });
    b.notifier_running.store(true, std::memory_order_release);
    std::unique_lock<winkit::Mutex> lock(b.start_mutex);
    b.start_cv.wait(lock, [&b] { return b.started; });
    return KDR_OK;
}

// Posts the quit and waits for the thread's end; false when the queue is full.
[[nodiscard]] bool StopNotificationThread() {
    Bridge& b = TheBridge();
    if (!b.notifier) return true;
    if (PostEvent(Message{{ev::kQuit, 0, 0, 0}}) != 0) return false;
    b.api.AnnounceQuit();
    b.notifier->join();
    b.notifier.reset();
    b.notifier_running.store(false, std::memory_order_release);
    b.api.ClearNotifier();
    return true;
}

void DestroyMovieQueue() {
    Bridge& b = TheBridge();
    std::shared_ptr<MovieQueue> movie;
    b.channels.WithLock(kChEvent, [&] { movie.swap(b.movie); });
    if (movie) movie->Stop();
}

// Undoes the threads of an open that failed after starting them.
void StopThreadsAfterFailedOpen() {
    DestroyMovieQueue();
    (void)StopNotificationThread();
}

}  // namespace

Bridge::Bridge() : channels(&SendToController) {}

std::shared_ptr<MovieQueue> CurrentMovieQueue() {
    Bridge& b = TheBridge();
    std::shared_ptr<MovieQueue> movie;
    b.channels.WithLock(kChEvent, [&] { movie = b.movie; });
    return movie;
}

Bridge& TheBridge() { return *g_bridge; }

KdrHandle HandleValue() { return reinterpret_cast<KdrHandle>(&g_bridge->record); }

bool HandleValid(const KdrHandle* handle) {
    return handle != nullptr && *handle == HandleValue() &&
           TheBridge().open.load(std::memory_order_acquire);
}

std::int32_t ToExportResult(std::int32_t command_result) {
    switch (command_result) {
        case 0:
            return KDR_OK;
        case -2:
            return KDR_ERR_TIMEOUT;
        case -4:
            return KDR_ERR_PARAM;
        case -5:
            return KDR_ERR_STATE;
        case -6:
            return KDR_ERR_UNSUPPORTED;
        default:
            return KDR_ERR_FAIL;
    }
}

std::chrono::milliseconds ReplyLimit() {
    return TheBridge().unanswered.load(std::memory_order_acquire) ? kSilentReplyLimit : Channels::kReceiveLimit;
}

void NoteUnanswered() { TheBridge().unanswered.store(true, std::memory_order_release); }

std::int32_t CommandCall(std::uint32_t code, bool wait, std::uint32_t* detail) {
    std::lock_guard<winkit::Mutex> lock(TheBridge().command_lock);
    return CommandCallLocked(code, wait, detail);
}

std::int32_t CommandCallLocked(std::uint32_t code, bool wait, std::uint32_t* detail) {
    Bridge& b = TheBridge();
    const ReplyWait replies;
    std::int32_t r = b.channels.Send(kChCommand, Message{{code, 0, 0, 0}});
    if (r == rc::kWaitLimit) return rc::kTimeout;
    if (r != rc::kOk) return rc::kBad;
    Message reply{};
    const std::chrono::milliseconds limit = ReplyLimit();
    do {
        r = b.channels.Receive(kChReply, wait, reply, limit);
        if (r == rc::kWaitLimit) {
            NoteUnanswered();
            return rc::kTimeout;
        }
        if (r != rc::kOk) return rc::kBad;
    } while (reply.word[0] != code);
    if (detail != nullptr) *detail = reply.word[2];
    if (reply.word[1] != 0) return rc::kFail;
    if (reply.word[2] != 0) return rc::kClosed;
    return rc::kOk;
}

std::int32_t ReadWord(std::uint32_t address, std::uint32_t& value) {
    Bridge& b = TheBridge();
    if (!b.open.load(std::memory_order_acquire) || !b.loaded.load(std::memory_order_acquire)) {
        return -1;
    }
    std::uint32_t v = 0;
    const std::uint32_t status = b.record.generic->op6_read32(address, &v);
    if (status != 0) return static_cast<std::int32_t>(status);
    value = v;
    return 0;
}

std::int32_t WriteWord(std::uint32_t address, std::uint32_t value) {
    Bridge& b = TheBridge();
    if (!b.open.load(std::memory_order_acquire) || !b.loaded.load(std::memory_order_acquire)) {
        return -1;
    }
    return static_cast<std::int32_t>(b.record.generic->op7_write32(address, value));
}

std::int32_t PostEvent(const Message& msg) { return TheBridge().events.Post(msg); }

std::int32_t OpenConnection(KdrHandle* handle, std::int32_t flags) {
    Bridge& b = TheBridge();
    *handle = nullptr;
    if (flags != 0) return KDR_ERR_PARAM;
    if (b.open.load(std::memory_order_acquire)) return KDR_ERR_FAIL;

    // Load the component and start it up.
    if (b.loaded.load(std::memory_order_acquire)) return KDR_ERR_FAIL;
    platform::Factories factories;
    if (!platform::LoadComponent(factories)) return KDR_ERR_FAIL;
    b.record.util = factories.create_device_util();
    b.record.generic = factories.create_generic_func();
    b.record.sysctrl = factories.create_system_ctrl();
    if (b.record.util == nullptr || b.record.generic == nullptr || b.record.sysctrl == nullptr) {
        return KDR_ERR_FAIL;
    }
    std::uint32_t out1 = 0, out2 = 0;
    if (b.record.util->op1_startup_first(&out1) != 0) return KDR_ERR_FAIL;
    if (b.record.util->op2_startup_second(&out2) != 0) return KDR_ERR_FAIL;
    b.loaded.store(true, std::memory_order_release);
    *handle = HandleValue();

    // Channels and the receiver.
    b.channels.CloseAll();
    if (b.record.generic->op3_register(3, 10, 0, &Receiver) != 0) return KDR_ERR_FAIL;
    if (b.channels.OpenChannel(kChDraw, kBridgeQueueCapacity, ChannelMode::Outgoing, nullptr) != 0 ||
        b.channels.OpenChannel(kChDrawReply, kBridgeQueueCapacity, ChannelMode::Incoming, nullptr) != 0 ||
        b.channels.OpenChannel(kChCommand, kBridgeQueueCapacity, ChannelMode::Outgoing, nullptr) != 0 ||
        b.channels.OpenChannel(kChReply, kBridgeQueueCapacity, ChannelMode::Incoming, nullptr) != 0) {
        return KDR_ERR_FAIL;
    }
    b.channels.Gate(kChReply);

    // The controller's open command, with the full limit whatever an earlier connection saw.
    b.unanswered.store(false, std::memory_order_release);
    const std::int32_t r = CommandCall(cmd::kOpen, true);
    if (r != 0) return ToExportResult(r);

    if (StartNotificationThread() != KDR_OK) return KDR_ERR_FAIL;

    // The movie queue, published under channel 32's mutex for the event router.
    std::shared_ptr<MovieQueue> movie;
    try {
        movie = std::make_shared<MovieQueue>(HandleValue());
    } catch (const std::bad_alloc&) {
        StopThreadsAfterFailedOpen();
        return KDR_ERR_FAIL;
    }
    b.channels.WithLock(kChEvent, [&] { b.movie = std::move(movie); });

    b.open.store(true, std::memory_order_release);
    return KDR_OK;
}

void AbandonOpen() {
    TheBridge().open.store(false, std::memory_order_release);
    StopThreadsAfterFailedOpen();
}

std::int32_t CloseConnection(KdrHandle* handle) {
    Bridge& b = TheBridge();
    if (!HandleValid(handle)) return KDR_ERR_FAIL;
    // The NotificationThread cannot wait for its own end.
    if (b.api.OnNotifier()) return KDR_ERR_FAIL;

    DestroyMovieQueue();
    if (!StopNotificationThread()) return KDR_ERR_FAIL;

    const std::int32_t r = CommandCall(cmd::kClose, true);
    if (r != 0) return ToExportResult(r);

    b.channels.CloseAll();
    if (!b.loaded.load(std::memory_order_acquire)) return KDR_ERR_FAIL;
    if (b.record.generic->op4_unregister(3) != 0) return KDR_ERR_FAIL;

    b.open.store(false, std::memory_order_release);
    if (b.loaded.load(std::memory_order_acquire)) {
        b.record.util->op3_release();
        b.loaded.store(false, std::memory_order_release);
    }
    *handle = nullptr;
    return KDR_OK;
}

}  // namespace tolvane
