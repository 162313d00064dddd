// Okumo.dll: the export over the waveform counting. Nothing is thrown across it.
#include "okumo/Okumo.h"

#include <thread>

#include "okumo/WaveForm.h"

extern "C" int32_t OKMAPI Okm_ConvertToWaveFormData(const OkmPicture* picture, uint8_t* red, uint8_t* green,
                                                    uint8_t* blue, uint8_t* luma) {
    const okumo::Blocks blocks{red, green, blue, luma};
    if (!okumo::Valid(picture, blocks)) return OKM_E_PARAM;
    try {
        // The viewer's user-interface thread waits for the result; a second
        // core halves that wait.
        okumo::Convert(*picture, blocks, std::thread::hardware_concurrency() > 1 ? 2 : 1);
    } catch (...) {
        // No thread to be had: the same counting on this one.
        okumo::ConvertColumns(*picture, blocks, 0, picture->width);
    }
    return OKM_OK;
}
