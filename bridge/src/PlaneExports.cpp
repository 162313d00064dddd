// Plane and movie exports: creation, properties, playback states, stills and the movie
// setting, release and statistics. All run under the API lock with a valid handle.
#include <cstring>
#include <limits>
#include <memory>

#include "Tolvane.h"
#include "bridge/src/Connection.h"
#include "bridge/src/ControllerMemory.h"
#include "bridge/src/MovieQueue.h"
#include "bridge/src/Planes.h"

using namespace tolvane;

namespace {

constexpr std::uint32_t kCmdStill = 0xB0001u;
constexpr std::uint32_t kBmpHeaderBytes = 54;

template <typename Body>
[[nodiscard]] std::int32_t WithOpenHandle(KdrHandle* handle, Body&& body) {
    ApiGuard guard(TheBridge().api);
    if (!guard.Ok() || !HandleValid(handle)) return KDR_ERR_FAIL;
    return body();
}

// The plane a set may address (1, 2, 100, existing); null when none.
Plane* PlaneForSet(const std::int32_t* id) {
    if (id == nullptr) return nullptr;
    PlaneSet& p = ThePlanes();
    Plane* plane = *id == KDR_PLANE_BASE    ? &p.base
                   : *id == KDR_PLANE_VIDEO ? &p.video
                   : *id == KDR_PLANE_EXTRA ? &p.extra
                                            : nullptr;
    return plane != nullptr && plane->exists ? plane : nullptr;
}

// The plane a get may address (1, 2, existing); null when none.
Plane* PlaneForGet(const std::int32_t* id) {
    if (id == nullptr || *id == KDR_PLANE_EXTRA) return nullptr;
    return PlaneForSet(id);
}

std::uint64_t BmpRowBytes(std::uint32_t width) { return (std::uint64_t{width} * 3u + 3u) / 4u * 4u; }

// BMP file image size of a W x H still; 0 when it does not fit a 32-bit size.
std::uint32_t BmpDataSize(std::uint32_t width, std::uint32_t height) {
    const std::uint64_t size = std::uint64_t{height} * BmpRowBytes(width) + kBmpHeaderBytes;
    return size > std::numeric_limits<std::uint32_t>::max() ? 0u : static_cast<std::uint32_t>(size);
}

void PutU16(std::uint8_t* at, std::uint32_t v) {
    at[0] = static_cast<std::uint8_t>(v);
    at[1] = static_cast<std::uint8_t>(v >> 8);
}
void PutU32(std::uint8_t* at, std::uint32_t v) {
    PutU16(at, v);
    PutU16(at + 2, v >> 16);
}

[[nodiscard]] std::int32_t StillInfo(KdrStillInfo* out) {
    PlaneSet& p = ThePlanes();
    std::int32_t state = 0;
    std::int32_t r = QueryState(true, state);
    if (r != KDR_OK) return r;
    p.still_ready = false;
    if (state != KDR_STATE_PAUSED) return KDR_ERR_STATE;
    std::uint32_t address = 0, width = 0, height = 0;
    {
        CommandSequence seq;
        if (WriteWord(reg::kParam0, 0) != 0) return KDR_ERR_FAIL;
        r = seq.Run(kCmdStill);
        if (r != KDR_OK) return r;
        if (ReadWord(reg::Result(1), address) != 0 || ReadWord(reg::Result(2), width) != 0 ||
            ReadWord(reg::Result(3), height) != 0) {
            return KDR_ERR_FAIL;
        }
    }
    const std::uint32_t datasize = BmpDataSize(width, height);
    // A still too large for a 32-bit size or a signed dimension cannot be handed out.
    if (datasize == 0 || width > 0x7FFFFFFFu || height > 0x7FFFFFFFu) return KDR_ERR_FAIL;
    out->size = KdrXY{static_cast<std::int32_t>(width), static_cast<std::int32_t>(height)};
    out->datasize = datasize;
    p.still_address = address;
    p.still_width = static_cast<std::int32_t>(width);
    p.still_height = static_cast<std::int32_t>(height);
    p.still_ready = true;
    return KDR_OK;
}

[[nodiscard]] std::int32_t StillBitmap(const KdrBuffer* out) {
    PlaneSet& p = ThePlanes();
    std::int32_t state = 0;
    const std::int32_t r = QueryState(true, state);
    if (r != KDR_OK) return r;
    if (state != KDR_STATE_PAUSED || !p.still_ready) return KDR_ERR_STATE;
    const auto width = static_cast<std::uint32_t>(p.still_width);
    const auto height = static_cast<std::uint32_t>(p.still_height);
    const std::uint32_t datasize = BmpDataSize(width, height);
    if (out->buffer == nullptr || out->size < datasize) return KDR_ERR_PARAM;

    // The block read goes to the first 4-byte boundary of the caller's buffer; the rows
    // are then moved behind the header.
    auto* base = static_cast<std::uint8_t*>(out->buffer);
    const std::size_t align = (4u - reinterpret_cast<std::uintptr_t>(base) % 4u) % 4u;
    const auto pixels = static_cast<std::uint32_t>(std::uint64_t{height} * BmpRowBytes(width));
    if (pixels > 0 && ReadBlock(p.still_address, base + align, pixels) != 0) return KDR_ERR_FAIL;
    std::memmove(base + kBmpHeaderBytes, base + align, pixels);
    std::memset(base, 0, kBmpHeaderBytes);
    base[0] = 'B';
    base[1] = 'M';
    PutU32(base + 2, datasize);
    PutU32(base + 10, kBmpHeaderBytes);
    PutU32(base + 14, 40);
    PutU32(base + 18, width);
    PutU32(base + 22, height);
    PutU16(base + 26, 1);
    PutU16(base + 28, 24);
    p.still_ready = false;
    return KDR_OK;
}

[[nodiscard]] std::int32_t MovieSetting(const KdrMovieSetting& s) {
    if (s.size.x < 60 || s.size.x > 3840 || s.size.y < 40 || s.size.y > 2160 || s.format < 1 ||
        s.format > 3 || s.fps < 1 || s.fps > 60 || s.buffer.buffer == nullptr ||
        s.buffer.size < MovieFrameBytes(s.size, s.format)) {
        return KDR_ERR_PARAM;
    }
    std::int32_t state = 0;
    const std::int32_t r = QueryState(true, state);
    if (r != KDR_OK) return r;
    if (state != KDR_STATE_LIVE) return KDR_ERR_STATE;
    const std::shared_ptr<MovieQueue> movie = CurrentMovieQueue();
    if (!movie || movie->Configure(s) != KDR_OK) return KDR_ERR_STATE;
    ThePlanes().video.movie = s;
    return KDR_OK;
}

[[nodiscard]] std::int32_t SetPlaneProp(Plane& plane, std::int32_t id, const void* record) {
    const bool video = &plane == &ThePlanes().video;
    const bool base = &plane == &ThePlanes().base;
    switch (id) {
        case KDR_VP_ENABLE:
        case KDR_VP_POSITION:
            if (base) return KDR_ERR_UNSUPPORTED;
            if (record == nullptr) return KDR_ERR_PARAM;
            if (id == KDR_VP_ENABLE) {
                std::memcpy(&plane.enb, record, sizeof plane.enb);
            } else {
                std::memcpy(&plane.position, record, sizeof plane.position);
            }
            return KDR_OK;
        case KDR_VP_SRC_WHOLE:
            plane.source_mode = kSourceWhole;
            return KDR_OK;
        case KDR_VP_SRC_CROP:
        case KDR_VP_SRC_PARTS:
        case KDR_VP_ANGLE:
        case KDR_VP_DRAW_MODE:
        case KDR_VP_MOVIE_SETTING:
        case KDR_VP_FRAME_RELEASE:
            if (!video) return KDR_ERR_UNSUPPORTED;
            if (record == nullptr) return KDR_ERR_PARAM;
            break;
        case 6:
            return KDR_OK;
        case 7:
        case 8:
        case 9:
            return KDR_ERR_UNSUPPORTED;
        case KDR_VP_INDEX: {
            if (record == nullptr) return KDR_ERR_PARAM;
            std::uint8_t index = 0;
            std::memcpy(&index, record, sizeof index);
            return index == plane.index ? KDR_OK : KDR_ERR_PARAM;
        }
        default:  // 14, 16, 17, 19, 20 and every id not listed
            return KDR_ERR_PARAM;
    }
    // Video plane only, with a record.
    switch (id) {
        case KDR_VP_SRC_CROP:
            std::memcpy(&plane.crop, record, sizeof plane.crop);
            plane.source_mode = kSourceCrop;
            return KDR_OK;
        case KDR_VP_SRC_PARTS:
            std::memcpy(&plane.parts, record, sizeof plane.parts);
            plane.source_mode = kSourceParts;
            return KDR_OK;
        case KDR_VP_ANGLE:
            std::memcpy(&plane.angle, record, sizeof plane.angle);
            return KDR_OK;
        case KDR_VP_DRAW_MODE: {
            std::int32_t mode = 0;
            std::memcpy(&mode, record, sizeof mode);
            if (mode != 1 && mode != 2) return KDR_ERR_PARAM;
            plane.draw_mode = mode;
            return KDR_OK;
        }
        case KDR_VP_MOVIE_SETTING: {
            KdrMovieSetting s{};
            std::memcpy(&s, record, sizeof s);
            return MovieSetting(s);
        }
        default: {  // KDR_VP_FRAME_RELEASE
            std::uint64_t frame_id = 0;
            std::memcpy(&frame_id, record, sizeof frame_id);
            const std::shared_ptr<MovieQueue> movie = CurrentMovieQueue();
            return movie ? movie->Release(frame_id) : KDR_ERR_PARAM;
        }
    }
}

[[nodiscard]] std::int32_t GetPlaneProp(Plane& plane, std::int32_t id, void* record) {
    const bool video = &plane == &ThePlanes().video;
    switch (id) {
        case KDR_VP_SRC_WHOLE:
            return plane.source_mode == kSourceWhole ? KDR_OK : KDR_ERR_PARAM;
        case 6:
            return KDR_OK;
        case 7:
        case 8:
        case 9:
            return KDR_ERR_UNSUPPORTED;
        case KDR_VP_STILL_INFO:
        case KDR_VP_STILL_BITMAP:
        case KDR_VP_MOVIE_STATS:
            if (!video) return KDR_ERR_UNSUPPORTED;
            break;
        case KDR_VP_ENABLE:
        case KDR_VP_POSITION:
        case KDR_VP_SRC_CROP:
        case KDR_VP_SRC_PARTS:
        case KDR_VP_ANGLE:
        case KDR_VP_INDEX:
        case KDR_VP_DRAW_MODE:
        case KDR_VP_STATE:
            break;
        default:  // 18, 20, 21 and every id not listed
            return KDR_ERR_PARAM;
    }
    if (record == nullptr) return KDR_ERR_PARAM;
    switch (id) {
        case KDR_VP_ENABLE:
            std::memcpy(record, &plane.enb, sizeof plane.enb);
            return KDR_OK;
        case KDR_VP_POSITION:
            std::memcpy(record, &plane.position, sizeof plane.position);
            return KDR_OK;
        case KDR_VP_SRC_CROP:
            if (plane.source_mode != kSourceCrop) return KDR_ERR_PARAM;
            std::memcpy(record, &plane.crop, sizeof plane.crop);
            return KDR_OK;
        case KDR_VP_SRC_PARTS:
            if (plane.source_mode != kSourceParts) return KDR_ERR_PARAM;
            std::memcpy(record, &plane.parts, sizeof plane.parts);
            return KDR_OK;
        case KDR_VP_ANGLE:
            std::memcpy(record, &plane.angle, sizeof plane.angle);
            return KDR_OK;
        case KDR_VP_INDEX:
            std::memcpy(record, &plane.index, sizeof plane.index);
            return KDR_OK;
        case KDR_VP_DRAW_MODE:
            std::memcpy(record, &plane.draw_mode, sizeof plane.draw_mode);
            return KDR_OK;
        case KDR_VP_STATE: {
            std::int32_t state = 0;
            const std::int32_t r = QueryState(true, state);
            if (r == KDR_OK) std::memcpy(record, &state, sizeof state);
            return r;
        }
        case KDR_VP_STILL_INFO: {
            KdrStillInfo info{};
            const std::int32_t r = StillInfo(&info);
            if (r == KDR_OK) std::memcpy(record, &info, sizeof info);
            return r;
        }
        case KDR_VP_STILL_BITMAP: {
            KdrBuffer buffer{};
            std::memcpy(&buffer, record, sizeof buffer);
            return StillBitmap(&buffer);
        }
        default: {  // KDR_VP_MOVIE_STATS
            const std::shared_ptr<MovieQueue> movie = CurrentMovieQueue();
            KdrMovieStats stats = movie ? movie->Stats() : KdrMovieStats{};
            std::memcpy(record, &stats, sizeof stats);
            return KDR_OK;
        }
    }
}

Plane* PlaneOfKind(std::int32_t kind) {
    PlaneSet& p = ThePlanes();
    switch (kind) {
        case KDR_PLANE_BASE: return &p.base;
        case KDR_PLANE_VIDEO: return &p.video;
        case KDR_PLANE_EXTRA: return &p.extra;
        default: return nullptr;
    }
}

}  // namespace

extern "C" {

int32_t KDR_CALL Kdr_VpCreate(KdrHandle* handle, int32_t* out, int32_t kind, int32_t flags) {
    return WithOpenHandle(handle, [&]() -> int32_t {
        Plane* plane = PlaneOfKind(kind);
        if (flags != 0 || out == nullptr || plane == nullptr || plane->exists) return KDR_ERR_PARAM;
        plane->exists = true;
        *out = kind;
        return KDR_OK;
    });
}

int32_t KDR_CALL Kdr_VpGet(KdrHandle* handle, int32_t* out, int32_t kind, int32_t flags) {
    return WithOpenHandle(handle, [&]() -> int32_t {
        if (flags != 0 || out == nullptr || (kind != KDR_PLANE_BASE && kind != KDR_PLANE_VIDEO)) {
            return KDR_ERR_PARAM;
        }
        if (!PlaneOfKind(kind)->exists) return KDR_ERR_PARAM;
        *out = kind;
        return KDR_OK;
    });
}

int32_t KDR_CALL Kdr_VpDestroy(KdrHandle* handle, int32_t* plane) {
    return WithOpenHandle(handle, [&]() -> int32_t {
        if (plane == nullptr || *plane != KDR_PLANE_VIDEO || ThePlanes().video.enb != 0) return KDR_ERR_PARAM;
        *plane = 0;
        return KDR_OK;
    });
}

int32_t KDR_CALL Kdr_VpSetProp(KdrHandle* handle, int32_t* plane, int32_t id, const void* record) {
    return WithOpenHandle(handle, [&]() -> int32_t {
        Plane* p = PlaneForSet(plane);
        return p == nullptr ? KDR_ERR_PARAM : SetPlaneProp(*p, id, record);
    });
}

int32_t KDR_CALL Kdr_VpGetProp(KdrHandle* handle, int32_t* plane, int32_t id, void* record) {
    return WithOpenHandle(handle, [&]() -> int32_t {
        Plane* p = PlaneForGet(plane);
        return p == nullptr ? KDR_ERR_PARAM : GetPlaneProp(*p, id, record);
    });
}

int32_t KDR_CALL Kdr_VpPlay(KdrHandle* handle, int32_t* plane) {
    return WithOpenHandle(handle, [&] { return TransitionState(plane, KDR_STATE_LIVE, false); });
}

int32_t KDR_CALL Kdr_VpPause(KdrHandle* handle, int32_t* plane) {
    return WithOpenHandle(handle, [&] { return TransitionState(plane, KDR_STATE_PAUSED, false); });
}

int32_t KDR_CALL Kdr_VpMovie(KdrHandle* handle, int32_t* plane) {
    return WithOpenHandle(handle, [&] { return TransitionState(plane, KDR_STATE_MOVIE, false); });
}

}  // extern "C"
