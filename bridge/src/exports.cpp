// The connection, callback, draw and device-property exports.
#include "Tolvane.h"
#include "connection.h"
#include "properties.h"

using namespace tolvane;

namespace {

// Runs body() under the API lock when the handle is valid; else KDR_ERR_FAIL.
template <typename Body>
std::int32_t with_open_handle(KdrHandle* handle, Body&& body) {
    ApiGuard guard(bridge().api);
    if (!guard.ok() || !handle_valid(handle)) return KDR_ERR_FAIL;
    return body();
}

}  // namespace

extern "C" {

int32_t KDR_CALL Kdr_DevOpen(KdrHandle* handle, int32_t flags) {
    if (handle == nullptr) return KDR_ERR_PARAM;
    ApiGuard guard(bridge().api);
    if (!guard.ok()) return KDR_ERR_FAIL;
    return open_connection(handle, flags);
}

int32_t KDR_CALL Kdr_DevClose(KdrHandle* handle) {
    ApiGuard guard(bridge().api);
    if (!guard.ok()) return KDR_ERR_FAIL;
    return close_connection(handle);
}

int32_t KDR_CALL Kdr_DevReset(KdrHandle*) {
    ApiGuard guard(bridge().api);
    return KDR_ERR_UNSUPPORTED;
}

int32_t KDR_CALL Kdr_DevSetCb(KdrHandle* handle, uint32_t kind, KdrCallback fn) {
    return with_open_handle(handle, [&]() -> int32_t {
        Bridge& b = bridge();
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
    return with_open_handle(handle, [&]() -> int32_t {
        Bridge& b = bridge();
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
    return with_open_handle(handle, [] {
        planes().still_ready = false;
        return draw_all();
    });
}

int32_t KDR_CALL Kdr_DevSetProp(KdrHandle* handle, int32_t id, const void* record) {
    return with_open_handle(handle, [&] { return set_property(id, record); });
}

int32_t KDR_CALL Kdr_DevGetProp(KdrHandle* handle, int32_t id, void* record) {
    return with_open_handle(handle, [&] { return get_property(id, record); });
}

int32_t KDR_CALL Kdr_DevResetProp(KdrHandle* handle, int32_t id) {
    return with_open_handle(handle, [&] { return reset_property(id); });
}

int32_t KDR_CALL Kdr_DevWdtInit(KdrHandle* handle, int32_t first, int32_t second) {
    return with_open_handle(handle, [&] {
        const int32_t record[3] = {0, first, second};
        return set_property(KDR_DEV_WDT, record);
    });
}

}  // extern "C"

#if !defined(_WIN32)
// Native builds: the second export name of the same function (the DLL's export table
// gives it on Windows).
extern "C" int32_t Kdr_VpDisableAll(KdrHandle* handle) __attribute__((alias("Kdr_DevReset")));
#endif
