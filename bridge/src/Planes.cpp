#include "bridge/src/Planes.h"

#include <ctime>

#include "bridge/src/Connection.h"
#include "bridge/src/Platform.h"
#include "bridge/src/Properties.h"

namespace tolvane {

namespace {
// At namespace scope rather than a function-local static: no guard object in the runtime.
PlaneSet g_planes;
}  // namespace

PlaneSet& ThePlanes() { return g_planes; }

void InitPlanes(const KdrXY& panel) {
    PlaneSet& p = ThePlanes();
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

std::int32_t QueryState(bool notify, std::int32_t& state) {
    Bridge& b = TheBridge();
    std::lock_guard<winkit::Mutex> lock(b.state_lock);
    std::uint32_t word = 0;
    {
        CommandSequence seq;
        const std::int32_t r = seq.Call(cmd::kStateQuery, true);
        if (r != 0) return ToExportResult(r);
        if (ReadWord(reg::kResult0, word) != 0) return KDR_ERR_FAIL;
    }
    if (word < KDR_STATE_LIVE || word > KDR_STATE_MOVIE) return KDR_ERR_FAIL;
    const auto current = static_cast<std::int32_t>(word);
    if (notify && current != b.last_state.load() &&
        b.notifier_running.load(std::memory_order_acquire)) {
        (void)PostEvent(Message{{ev::kStateChanged, word, 0, 0}});
    }
    b.last_state.store(current);
    state = current;
    return KDR_OK;
}

std::int32_t TransitionState(const std::int32_t* plane, std::int32_t target, bool notify) {
    PlaneSet& p = ThePlanes();
    if (plane == nullptr || *plane != KDR_PLANE_VIDEO || !p.video.exists) return KDR_ERR_PARAM;
    std::int32_t current = 0;
    std::int32_t r = QueryState(true, current);
    if (r != KDR_OK) return r;
    if (current == target) return KDR_OK;

    if (current == KDR_STATE_LIVE && target == KDR_STATE_MOVIE) {
        const KdrMovieSetting& s = p.video.movie;
        const std::uint32_t format = s.format == 2 ? 2u : s.format == 3 ? 1u : 0u;
        CommandSequence seq;
        if (WriteWord(reg::kParam0, static_cast<std::uint32_t>(s.size.x)) != 0 ||
            WriteWord(reg::kParam1, static_cast<std::uint32_t>(s.size.y)) != 0 ||
            WriteWord(reg::kParam2, format) != 0 ||
            WriteWord(reg::kParam3, static_cast<std::uint32_t>(s.fps)) != 0) {
            return KDR_ERR_FAIL;
        }
        r = seq.Run(cmd::kMovieStart);
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
        r = RunCommand(command);
    }
    if (r != KDR_OK) return r;
    r = QueryState(notify, current);
    if (r != KDR_OK) return r;
    return current == target ? KDR_OK : KDR_ERR_STATE;
}

namespace {

LayoutInput VideoLayoutInput(const Plane& video) {
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

[[nodiscard]] bool WriteBox(std::uint32_t address, const Box& box) {
    const std::int32_t values[4] = {box.x, box.y, box.w, box.h};
    for (int i = 0; i < 4; ++i) {
        if (WriteWord(address + 4u * static_cast<std::uint32_t>(i),
                       static_cast<std::uint32_t>(values[i])) != 0) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::int32_t DrawAll() {
    const PlaneSet& p = ThePlanes();
    if (WriteWord(reg::kPlaneBaseEnb, static_cast<std::uint32_t>(p.base.enb)) != 0 ||
        WriteWord(reg::kPlaneVideoEnb, static_cast<std::uint32_t>(p.video.enb)) != 0) {
        return KDR_ERR_FAIL;
    }

    KdrOutputInfo output{};
    KdrHdmiInfo input{};
    (void)GetProperty(KDR_DEV_OUTPUT, &output);
    (void)GetProperty(KDR_DEV_HDMI, &input);
    LayoutInput in = VideoLayoutInput(p.video);
    in.output_w = output.size.x;
    in.output_h = output.size.y;
    in.input_w = input.size.x;
    in.input_h = input.size.y;
    LayoutResult layout;
    if (!ComputeLayout(in, layout)) return KDR_ERR_FAIL;

    if (!WriteBox(reg::kPlaneDst, layout.dst) || !WriteBox(reg::kPlaneSrc, layout.src)) {
        return KDR_ERR_FAIL;
    }
    if ((layout.dst.w < 1 || layout.dst.h < 1) && WriteWord(reg::kPlaneVideoEnb, 0) != 0) {
        return KDR_ERR_FAIL;
    }
    if (WriteWord(reg::kPlaneAngle, static_cast<std::uint32_t>(p.video.angle)) != 0 ||
        WriteWord(reg::kPlaneDrawMode, p.video.draw_mode == 2 ? 1u : 0u) != 0) {
        return KDR_ERR_FAIL;
    }

    Bridge& b = TheBridge();
    const Message request{{0, 0, static_cast<std::uint32_t>(std::time(nullptr)),
                           platform::CurrentThreadId()}};
    if (b.channels.Send(kChDraw, request) != rc::kOk) return KDR_ERR_FAIL;
    Message reply{};
    const std::int32_t r = b.channels.Receive(kChDrawReply, true, reply, ReplyLimit());
    if (r == rc::kWaitLimit) {
        NoteUnanswered();
        return KDR_ERR_TIMEOUT;
    }
    if (r != rc::kOk || reply.word[1] != 0) return KDR_ERR_FAIL;
    return KDR_OK;
}

}  // namespace tolvane
