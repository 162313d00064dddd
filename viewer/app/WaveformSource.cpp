#include "viewer/app/WaveformSource.h"

#include "okumo/Okumo.h"

namespace vistrel {

bool WaveformSource::Convert(std::uint8_t* red, std::uint8_t* green, std::uint8_t* blue, std::uint8_t* luma) const {
    if (accessors_.get == nullptr || accessors_.release == nullptr) return false;
    if (red == nullptr || green == nullptr || blue == nullptr || luma == nullptr) return false;
    CpwCaptureFrame* frame = nullptr;
    if (accessors_.get(&frame) != CPW_OK || frame == nullptr) return false;
    const OkmPicture picture{OKM_PIXEL_BGR24, frame->width, frame->height, frame->data};
    const std::int32_t converted = Okm_ConvertToWaveFormData(&picture, red, green, blue, luma);
    const bool released = accessors_.release() == CPW_OK;
    return converted == OKM_OK && released;
}

}  // namespace vistrel
