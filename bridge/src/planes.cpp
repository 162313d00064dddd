#include "planes.h"

#include <ctime>

#include "connection.h"
#include "platform.h"
#include "properties.h"

namespace tolvane {

namespace {
// At namespace scope rather than a function-local static: no guard object in the runtime.
PlaneSet g_planes;
}  // namespace

PlaneSet& planes() { return g_planes; }

void init_planes(const KdrXY& panel) {
    PlaneSet& p = planes();
    Plane& base = p.base;
    base.exists = true;
    base.enb = 1;
    base.position = KdrRect{{0, 0}, panel};
    base.source_mode = kSourceWhole;
    base.angle = 0;
    base.index = 1;
    base.draw_mode = 1;

    Plane& video = p.video;
    video.exists = false;
    video.enb = 0;
    video.source_mode = kSourceWhole;
    video.angle = 0;
    video.index = 0;
    video.draw_mode = 1;
    p.still_ready = false;
    p.still_address = 0;
    p.still_width = 0;
    p.still_height = 0;
}

std::int32_t query_state(bool notify, std::int32_t& state) {
    Bridge& b = bridge();
    std::lock_guard<platform::Mutex> lock(b.state_lock);
    std::uint32_t word = 0;
    {
        CommandSequence seq;
        const std::int32_t r = seq.call(cmd::kStateQuery, true);
        if (r != 0) return to_export_result(r);
        if (read_word(reg::kResult0, word) != 0) return KDR_ERR_FAIL;
    }
    if (word < KDR_STATE_LIVE || word > KDR_STATE_MOVIE) return KDR_ERR_FAIL;
    const auto current = static_cast<std::int32_t>(word);
    if (notify && current != b.last_state.load() &&
        b.notifier_running.load(std::memory_order_acquire)) {
        (void)post_event(Message{{ev::kStateChanged, word, 0, 0}});
    }
    b.last_state.store(current);
    state = current;
    return KDR_OK;
}

std::int32_t transition_state(const std::int32_t* plane, std::int32_t target, bool notify) {
    PlaneSet& p = planes();
    if (plane == nullptr || *plane != KDR_PLANE_VIDEO || !p.video.exists) return KDR_ERR_PARAM;
    std::int32_t current = 0;
    std::int32_t r = query_state(true, current);
    if (r != KDR_OK) return r;
    if (current == target) return KDR_OK;

    if (current == KDR_STATE_LIVE && target == KDR_STATE_MOVIE) {
        const KdrMovieSetting& s = p.video.movie;
        const std::uint32_t format = s.format == 2 ? 2u : s.format == 3 ? 1u : 0u;
        CommandSequence seq;
        if (write_word(reg::kParam0, static_cast<std::uint32_t>(s.size.x)) != 0 ||
            write_word(reg::kParam1, static_cast<std::uint32_t>(s.size.y)) != 0 ||
            write_word(reg::kParam2, format) != 0 ||
            write_word(reg::kParam3, static_cast<std::uint32_t>(s.fps)) != 0) {
            return KDR_ERR_FAIL;
        }
        r = seq.run(cmd::kMovieStart);
    } else {
        std::uint32_t command = 0;
        if (current == KDR_STATE_LIVE && target == KDR_STATE_PAUSED) {
            command = cmd::kPause;
        } else if (current == KDR_STATE_MOVIE && target == KDR_STATE_LIVE) {
            command = cmd::kMovieStop;
        } else if (current == KDR_STATE_PAUSED && target == KDR_STATE_LIVE) {
            command = cmd::kResume;
        } else {
            return KDR_ERR_STATE;
        }
        r = run_command(command);
    }
    if (r != KDR_OK) return r;
    r = query_state(notify, current);
    if (r != KDR_OK) return r;
    return current == target ? KDR_OK : KDR_ERR_STATE;
}

namespace {

LayoutInput layout_input(const Plane& video) {
    LayoutInput in;
    in.position = {video.position.top.x, video.position.top.y, video.position.size.x,
                   video.position.size.y};
    in.source_mode = video.source_mode;
    in.crop = {video.crop.top.x, video.crop.top.y, video.crop.size.x, video.crop.size.y};
    const KdrParts& parts = video.parts;
    const std::int32_t values[6] = {parts.parts.x, parts.parts.y, parts.top.x,
                                    parts.top.y,   parts.size.x,  parts.size.y};
    for (int i = 0; i < 6; ++i) in.parts[i] = values[i];
    in.angle = video.angle;
    return in;
}

bool write_box(std::uint32_t address, const Box& box) {
    const std::int32_t values[4] = {box.x, box.y, box.w, box.h};
    for (int i = 0; i < 4; ++i) {
        if (write_word(address + 4u * static_cast<std::uint32_t>(i),
                       static_cast<std::uint32_t>(values[i])) != 0) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::int32_t draw_all() {
    const PlaneSet& p = planes();
    if (write_word(reg::kPlaneBaseEnb, static_cast<std::uint32_t>(p.base.enb)) != 0 ||
        write_word(reg::kPlaneVideoEnb, static_cast<std::uint32_t>(p.video.enb)) != 0) {
        return KDR_ERR_FAIL;
    }

    KdrOutputInfo output{};
    KdrHdmiInfo input{};
    (void)get_property(KDR_DEV_OUTPUT, &output);
    (void)get_property(KDR_DEV_HDMI, &input);
    LayoutInput in = layout_input(p.video);
    in.output_w = output.size.x;
    in.output_h = output.size.y;
    in.input_w = input.size.x;
    in.input_h = input.size.y;
    LayoutResult layout;
    if (!compute_layout(in, layout)) return KDR_ERR_FAIL;

    if (!write_box(reg::kPlaneDst, layout.dst) || !write_box(reg::kPlaneSrc, layout.src)) {
        return KDR_ERR_FAIL;
    }
    if ((layout.dst.w < 1 || layout.dst.h < 1) && write_word(reg::kPlaneVideoEnb, 0) != 0) {
        return KDR_ERR_FAIL;
    }
    if (write_word(reg::kPlaneAngle, static_cast<std::uint32_t>(p.video.angle)) != 0 ||
        write_word(reg::kPlaneDrawMode, p.video.draw_mode == 2 ? 1u : 0u) != 0) {
        return KDR_ERR_FAIL;
    }

    Bridge& b = bridge();
    const Message request{{0, 0, static_cast<std::uint32_t>(std::time(nullptr)),
                           platform::current_thread_id()}};
    if (b.channels.send(kChDraw, request) != rc::kOk) return KDR_ERR_FAIL;
    Message reply{};
    const std::int32_t r = b.channels.receive(kChDrawReply, true, reply);
    if (r == rc::kWaitLimit) return KDR_ERR_TIMEOUT;
    if (r != rc::kOk || reply.word[1] != 0) return KDR_ERR_FAIL;
    return KDR_OK;
}

}  // namespace tolvane
