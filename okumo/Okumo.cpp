// Okumo.dll: the export over the waveform counting. Nothing is thrown across it.
#include "okumo/Okumo.h"

#if defined(_WIN32)
#include <windows.h>
#endif

#include <thread>

#include "okumo/WaveForm.h"
#if defined(_WIN32)
#include "winkit/Handle.h"
#endif

namespace {

#if defined(_WIN32)
// The right half of the picture, counted by a thread of the process's pool.
// Starting a thread of our own on every refresh costs more than it saves
// under Wine (about 1.3 ms a call); the pool's threads stay.
struct RightHalf {
    const OkmPicture* picture;
    const okumo::Blocks* blocks;
    int first;
    HANDLE done;
};

void CALLBACK CountRightHalf(PTP_CALLBACK_INSTANCE instance, void* context) {
    auto* half = static_cast<RightHalf*>(context);
    okumo::ConvertColumns(*half->picture, *half->blocks, half->first, half->picture->width);
    SetEventWhenCallbackReturns(instance, half->done);
}

// Both halves, the right one on the pool when it takes the work; otherwise
// the whole picture on the caller's thread.
void ConvertOnTwoCores(const OkmPicture& picture, const okumo::Blocks& blocks) noexcept {
    const int split = okumo::SplitColumn(picture.width);
    const winkit::UniqueHandle done(split != 0 ? CreateEventW(nullptr, TRUE, FALSE, nullptr) : nullptr);
    RightHalf right{&picture, &blocks, split, done.Get()};
    if (!done || !TrySubmitThreadpoolCallback(&CountRightHalf, &right, nullptr)) {
        okumo::ConvertColumns(picture, blocks, 0, picture.width);
        return;
    }
    okumo::ConvertColumns(picture, blocks, 0, split);
    // The callback only returns after its half is written.
    (void)WaitForSingleObject(done.Get(), INFINITE);
}
#endif

}  // namespace

extern "C" int32_t OKMAPI Okm_ConvertToWaveFormData(const OkmPicture* picture, uint8_t* red, uint8_t* green,
                                                    uint8_t* blue, uint8_t* luma) {
    const okumo::Blocks blocks{red, green, blue, luma};
    if (!okumo::Valid(picture, blocks)) return OKM_E_PARAM;
    // The viewer's user-interface thread waits for the result; a second core
    // halves that wait.
    const bool two_cores = std::thread::hardware_concurrency() > 1;
#if defined(_WIN32)
    if (two_cores) {
        ConvertOnTwoCores(*picture, blocks);
        return OKM_OK;
    }
#else
    if (two_cores) {
        try {
            okumo::Convert(*picture, blocks, 2);
            return OKM_OK;
        } catch (...) {
            // No thread to be had: the same counting on this one.
        }
    }
#endif
    okumo::ConvertColumns(*picture, blocks, 0, picture->width);
    return OKM_OK;
}
