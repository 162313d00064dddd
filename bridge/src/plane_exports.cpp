// Plane and movie exports. Entry points only for now: each answers KDR_ERR_UNSUPPORTED
// under the API lock. The plane records, state query and transition and the draw they
// build on are in planes.cpp; the movie queue in movie_queue.cpp.
#include "Tolvane.h"
#include "connection.h"

using namespace tolvane;

namespace {
int32_t not_yet() {
    ApiGuard guard(bridge().api);
    return KDR_ERR_UNSUPPORTED;
}
}  // namespace

extern "C" {

int32_t KDR_CALL Kdr_VpCreate(KdrHandle*, int32_t*, int32_t, int32_t) { return not_yet(); }
int32_t KDR_CALL Kdr_VpGet(KdrHandle*, int32_t*, int32_t, int32_t) { return not_yet(); }
int32_t KDR_CALL Kdr_VpDestroy(KdrHandle*, int32_t*) { return not_yet(); }
int32_t KDR_CALL Kdr_VpSetProp(KdrHandle*, int32_t*, int32_t, const void*) { return not_yet(); }
int32_t KDR_CALL Kdr_VpGetProp(KdrHandle*, int32_t*, int32_t, void*) { return not_yet(); }
int32_t KDR_CALL Kdr_VpPlay(KdrHandle*, int32_t*) { return not_yet(); }
int32_t KDR_CALL Kdr_VpPause(KdrHandle*, int32_t*) { return not_yet(); }
int32_t KDR_CALL Kdr_VpMovie(KdrHandle*, int32_t*) { return not_yet(); }

}  // extern "C"
