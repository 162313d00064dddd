// The connection, callback, draw and device-property exports.
#include "Tolvane.h"
#include "bridge/src/Connection.h"
#include "bridge/src/Planes.h"
#include "bridge/src/Properties.h"

using namespace tolvane;

namespace {

// Runs body() under the API lock when the handle is valid; else KDR_ERR_FAIL.
template <typename Body>
[[nodiscard]] std::int32_t WithOpenHandle(KdrHandle* handle, Body&& body) {
    ApiGuard guard(TheBridge().api);
    if (!guard.Ok() || !HandleValid(handle)) return KDR_ERR_FAIL;
    return body();
}

// The open's last steps, over a connection that is up: the device's clock, the panel's size and
// the first draw of the planes.
[[nodiscard]] std::int32_t FinishOpen() {
    constexpr std::int32_t kOpenTime = 20;
    KdrXY panel{};
    if (SetProperty(KDR_DEV_TIME, &kOpenTime) != KDR_OK || GetProperty(KDR_DEV_PANEL, &panel) != KDR_OK) {
        AbandonOpen();
        return KDR_ERR_FAIL;
    }
    InitPlanes(panel);
    if (DrawAll() != KDR_OK) {
        AbandonOpen();
        return KDR_ERR_FAIL;
    }
    return KDR_OK;
}

}  // namespace

extern "C" {

int32_t KDR_CALL Kdr_DevOpen(KdrHandle* handle, int32_t flags) {
    if (handle == nullptr) return KDR_ERR_PARAM;
    ApiGuard guard(TheBridge().api);
    if (!guard.Ok()) return KDR_ERR_FAIL;
    const std::int32_t r = OpenConnection(handle, flags);
    return r != KDR_OK ? r : FinishOpen();
}

int32_t KDR_CALL Kdr_DevClose(KdrHandle* handle) {
    ApiGuard guard(TheBridge().api);
    if (!guard.Ok()) return KDR_ERR_FAIL;
    return CloseConnection(handle);
}

int32_t KDR_CALL Kdr_DevReset(KdrHandle*) {
    ApiGuard guard(TheBridge().api);
    return KDR_ERR_UNSUPPORTED;
}

int32_t KDR_CALL Kdr_DevSetCb(KdrHandle* handle, uint32_t kind, KdrCallback fn) {
    return WithOpenHandle(handle, [&]() -> int32_t {
        Bridge& b = TheBridge();
        switch (kind) {
            case KDR_CB_HDMI_SIZE:
                b.hdmi_size_cb.store(reinterpret_cast<KdrHdmiSizeCb>(fn), std::memory_order_release);
                return KDR_OK;
            case KDR_CB_HDMI_INFO:
                b.hdmi_info_cb.store(reinterpret_cast<KdrHdmiInfoCb>(fn), std::memory_order_release);
                return KDR_OK;
            default:
                return KDR_ERR_PARAM;
        }
    });
}

int32_t KDR_CALL Kdr_VpSetCb(KdrHandle* handle, int32_t*, int32_t kind, KdrCallback fn, void* user) {
    return WithOpenHandle(handle, [&]() -> int32_t {
        Bridge& b = TheBridge();
        switch (kind) {
            case KDR_CB_STATE:
                b.state_user.store(user, std::memory_order_release);
                b.state_cb.store(reinterpret_cast<KdrStateCb>(fn), std::memory_order_release);
                return KDR_OK;
            case KDR_CB_MOVIE:
                b.movie_user.store(user, std::memory_order_release);
                b.movie_cb.store(reinterpret_cast<KdrMovieCb>(fn), std::memory_order_release);
                return KDR_OK;
            default:
                return KDR_ERR_PARAM;
        }
    });
}

int32_t KDR_CALL Kdr_VpDrawAll(KdrHandle* handle) {
    return WithOpenHandle(handle, [] {
        ThePlanes().still_ready = false;
        return DrawAll();
    });
}

int32_t KDR_CALL Kdr_DevSetProp(KdrHandle* handle, int32_t id, const void* record) {
    return WithOpenHandle(handle, [&] { return SetProperty(id, record); });
}

int32_t KDR_CALL Kdr_DevGetProp(KdrHandle* handle, int32_t id, void* record) {
    return WithOpenHandle(handle, [&] { return GetProperty(id, record); });
}

int32_t KDR_CALL Kdr_DevResetProp(KdrHandle* handle, int32_t id) {
    return WithOpenHandle(handle, [&] { return ResetProperty(id); });
}

int32_t KDR_CALL Kdr_DevWdtInit(KdrHandle* handle, int32_t first, int32_t second) {
    return WithOpenHandle(handle, [&] {
        const int32_t record[3] = {0, first, second};
        return SetProperty(KDR_DEV_WDT, record);
    });
}

}  // extern "C"

#if !defined(_WIN32)
// Native builds: the second export name of the same function (the DLL's export table
// gives it on Windows).
extern "C" int32_t Kdr_VpDisableAll(KdrHandle* handle) __attribute__((alias("Kdr_DevReset")));
#endif
