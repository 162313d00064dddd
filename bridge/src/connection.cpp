#include "connection.h"

#include <chrono>
#include <new>
#include <utility>

#include "platform.h"
#include "properties.h"

namespace tolvane {

namespace {

constexpr std::uint32_t kSendKind = 2;
constexpr int kSendRepeats = 100;
constexpr auto kSendRepeatPause = std::chrono::milliseconds(200);

// The bridge lives as long as the process (never destroyed, so no thread object is
// ever destroyed while running when the library goes away).
Bridge* const g_bridge = new Bridge;

std::int32_t transport_send(std::uint32_t channel, const Message& msg) {
    Bridge& b = bridge();
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
void receiver(const merrowcom::Message* rec, std::uint32_t flags) {
    if (rec == nullptr) return;
    Message msg{{rec->word[0], rec->word[1], rec->word[2], rec->word[3]}};
    bridge().channels.arrived(rec->channel, msg, flags);
}

// Handler of channel 32 (component thread, channel 32's mutex held).
void event_router(std::uint32_t, const Message& msg) {
    Bridge& b = bridge();
    switch (msg.word[0]) {
        case ev::kHdmiSize:
        case ev::kHdmiInfo:
        case ev::kPlaneLive:
        case ev::kPlanePaused:
        case ev::kPlaneMovie:
            post_event(msg);
            break;
        case ev::kFrameNotice:
            if (b.movie) b.movie->frame_notice(msg);
            break;
        default:
            break;
    }
}

void redraw(KdrHandle* handle) { (void)Kdr_VpDrawAll(handle); }

void on_hdmi_info(KdrHandle* handle, const Message& msg) {
    Bridge& b = bridge();
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
        if (guard.ok()) {
            std::int32_t state = 0;
            const std::uint32_t event = *static_cast<volatile std::uint32_t*>(&info.event);
            if (query_state(false, state) == KDR_OK && state == KDR_STATE_MOVIE &&
                (event & 0x34u) != 0) {
                const std::int32_t video = KDR_PLANE_VIDEO;
                (void)transition_state(&video, KDR_STATE_LIVE, true);
            }
        }
    }
    redraw(handle);
}

void notification_main(KdrHandle value) {
    Bridge& b = bridge();
    b.api.set_notifier(platform::current_thread_key());
    {
        std::lock_guard<platform::Mutex> lock(b.start_mutex);
        b.started = true;
    }
    b.start_cv.notify_all();

    KdrHandle handle = value;
    for (;;) {
        const Message msg = b.events.take();
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
                if (std::shared_ptr<MovieQueue> movie = current_movie_queue()) movie->deliver_ready();
                break;
            case ev::kHdmiSize:
                if (KdrHdmiSizeCb cb = b.hdmi_size_cb.load(std::memory_order_acquire)) {
                    const KdrXY size{static_cast<std::int32_t>(msg.word[2] >> 16),
                                     static_cast<std::int32_t>(msg.word[2] & 0xFFFFu)};
                    cb(&size);
                }
                redraw(&handle);
                break;
            case ev::kHdmiInfo:
                on_hdmi_info(&handle, msg);
                break;
            case ev::kPlaneLive:
            case ev::kPlanePaused:
            case ev::kPlaneMovie: {
                std::int32_t state = 0;
                (void)query_state(true, state);
                break;
            }
            default:
                break;
        }
    }
}

std::int32_t start_notification_thread() {
    Bridge& b = bridge();
    b.hdmi_size_cb.store(nullptr, std::memory_order_release);
    b.hdmi_info_cb.store(nullptr, std::memory_order_release);
    b.state_cb.store(nullptr, std::memory_order_release);
    b.state_user.store(nullptr, std::memory_order_release);
    b.movie_cb.store(nullptr, std::memory_order_release);
    b.movie_user.store(nullptr, std::memory_order_release);
    if (b.channels.open_channel(kChEvent, kBridgeQueueCapacity, ChannelMode::Incoming,
                                &event_router) != rc::kOk ||
        b.notifier) {
        return KDR_ERR_FAIL;
    }
    {
        std::lock_guard<platform::Mutex> lock(b.start_mutex);
        b.started = false;
    }
    b.notifier = std::make_unique<platform::Thread>([value = handle_value()] { notification_main(value); });
    b.notifier_running.store(true, std::memory_order_release);
    std::unique_lock<platform::Mutex> lock(b.start_mutex);
    b.start_cv.wait(lock, [&b] { return b.started; });
    return KDR_OK;
}

// Posts the quit and waits for the thread's end; false when the queue is full.
bool stop_notification_thread() {
    Bridge& b = bridge();
    if (!b.notifier) return true;
    if (post_event(Message{{ev::kQuit, 0, 0, 0}}) != 0) return false;
    b.api.announce_quit();
    b.notifier->join();
    b.notifier.reset();
    b.notifier_running.store(false, std::memory_order_release);
    b.api.clear_notifier();
    return true;
}

void destroy_movie_queue() {
    Bridge& b = bridge();
    std::shared_ptr<MovieQueue> movie;
    b.channels.with_lock(kChEvent, [&] { movie.swap(b.movie); });
    if (movie) movie->stop();
}

// Undoes the threads of an open that failed after starting them.
void stop_threads_after_failed_open() {
    destroy_movie_queue();
    (void)stop_notification_thread();
}

}  // namespace

Bridge::Bridge() : channels(&transport_send) {}

std::shared_ptr<MovieQueue> current_movie_queue() {
    Bridge& b = bridge();
    std::shared_ptr<MovieQueue> movie;
    b.channels.with_lock(kChEvent, [&] { movie = b.movie; });
    return movie;
}

Bridge& bridge() { return *g_bridge; }

KdrHandle handle_value() { return reinterpret_cast<KdrHandle>(&g_bridge->record); }

bool handle_valid(const KdrHandle* handle) {
    return handle != nullptr && *handle == handle_value() &&
           bridge().open.load(std::memory_order_acquire);
}

std::int32_t to_export_result(std::int32_t command_result) {
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

std::int32_t command_call(std::uint32_t code, bool wait, std::uint32_t* detail) {
    std::lock_guard<platform::Mutex> lock(bridge().command_lock);
    return command_call_locked(code, wait, detail);
}

std::int32_t command_call_locked(std::uint32_t code, bool wait, std::uint32_t* detail) {
    Bridge& b = bridge();
    std::int32_t r = b.channels.send(kChCommand, Message{{code, 0, 0, 0}});
    if (r == rc::kWaitLimit) return rc::kTimeout;
    if (r != rc::kOk) return rc::kBad;
    Message reply{};
    do {
        r = b.channels.receive(kChReply, wait, reply);
        if (r == rc::kWaitLimit) return rc::kTimeout;
        if (r != rc::kOk) return rc::kBad;
    } while (reply.word[0] != code);
    if (detail != nullptr) *detail = reply.word[2];
    if (reply.word[1] != 0) return rc::kFail;
    if (reply.word[2] != 0) return rc::kClosed;
    return rc::kOk;
}

std::int32_t read_word(std::uint32_t address, std::uint32_t& value) {
    Bridge& b = bridge();
    if (!b.open.load(std::memory_order_acquire) || !b.loaded.load(std::memory_order_acquire)) {
        return -1;
    }
    std::uint32_t v = 0;
    const std::uint32_t status = b.record.generic->op6_read32(address, &v);
    if (status != 0) return static_cast<std::int32_t>(status);
    value = v;
    return 0;
}

std::int32_t write_word(std::uint32_t address, std::uint32_t value) {
    Bridge& b = bridge();
    if (!b.open.load(std::memory_order_acquire) || !b.loaded.load(std::memory_order_acquire)) {
        return -1;
    }
    return static_cast<std::int32_t>(b.record.generic->op7_write32(address, value));
}

std::int32_t post_event(const Message& msg) { return bridge().events.post(msg); }

std::int32_t open_connection(KdrHandle* handle, std::int32_t flags) {
    Bridge& b = bridge();
    // 1-2
    *handle = nullptr;
    if (flags != 0) return KDR_ERR_PARAM;
    if (b.open.load(std::memory_order_acquire)) return KDR_ERR_FAIL;

    // 3: load the component and start it up.
    if (b.loaded.load(std::memory_order_acquire)) return KDR_ERR_FAIL;
    platform::Factories factories;
    if (!platform::load_component(factories)) return KDR_ERR_FAIL;
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
    *handle = handle_value();

    // 4-6: channels and receiver.
    b.channels.close_all();
    if (b.record.generic->op3_register(3, 10, 0, &receiver) != 0) return KDR_ERR_FAIL;
    if (b.channels.open_channel(kChDraw, kBridgeQueueCapacity, ChannelMode::Outgoing, nullptr) != 0 ||
        b.channels.open_channel(kChDrawReply, kBridgeQueueCapacity, ChannelMode::Incoming, nullptr) != 0 ||
        b.channels.open_channel(kChCommand, kBridgeQueueCapacity, ChannelMode::Outgoing, nullptr) != 0 ||
        b.channels.open_channel(kChReply, kBridgeQueueCapacity, ChannelMode::Incoming, nullptr) != 0) {
        return KDR_ERR_FAIL;
    }

    // 7: the controller's open command.
    const std::int32_t r = command_call(cmd::kOpen, true);
    if (r != 0) return to_export_result(r);

    // 8: NotificationThread.
    if (start_notification_thread() != KDR_OK) return KDR_ERR_FAIL;

    // 9: movie queue (published under channel 32's mutex for the event router).
    std::shared_ptr<MovieQueue> movie;
    try {
        movie = std::make_shared<MovieQueue>(handle_value());
    } catch (const std::bad_alloc&) {
        stop_threads_after_failed_open();
        return KDR_ERR_FAIL;
    }
    b.channels.with_lock(kChEvent, [&] { b.movie = std::move(movie); });

    // 10: time and panel.
    b.open.store(true, std::memory_order_release);
    const std::int32_t time = 20;
    KdrXY panel{};
    if (set_property(KDR_DEV_TIME, &time) != KDR_OK || get_property(KDR_DEV_PANEL, &panel) != KDR_OK) {
        b.open.store(false, std::memory_order_release);
        stop_threads_after_failed_open();
        return KDR_ERR_FAIL;
    }

    // 11-12: planes.
    init_planes(panel);
    if (draw_all() != KDR_OK) {
        b.open.store(false, std::memory_order_release);
        stop_threads_after_failed_open();
        return KDR_ERR_FAIL;
    }
    return KDR_OK;
}

std::int32_t close_connection(KdrHandle* handle) {
    Bridge& b = bridge();
    if (!handle_valid(handle)) return KDR_ERR_FAIL;
    // The NotificationThread cannot wait for its own end.
    if (b.api.on_notifier()) return KDR_ERR_FAIL;

    destroy_movie_queue();
    if (!stop_notification_thread()) return KDR_ERR_FAIL;

    const std::int32_t r = command_call(cmd::kClose, true);
    if (r != 0) return to_export_result(r);

    b.channels.close_all();
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
