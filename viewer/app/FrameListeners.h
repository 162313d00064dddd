// The three interfaces through which the views talk to the main frame, which
// implements all of them. The views get the pointers from ViewInitArgs and
// never find the frame by any other way. Free of platform headers, so
// platform-free records (ViewInitArgs) can carry the pointers.
#pragma once

#include <cstdint>

#include "Capwell.h"
#include "viewer/core/Rect.h"

namespace vistrel {

// Operations of the play, controller and setting views. The order of the
// declarations is the slot order and is kept.
class IVideoPlayListner {
public:
    virtual void OnDisplayResized() = 0;
    // `centre` points to two doubles (x, y, 0..1 across the whole picture) or
    // is null; null or a factor of exactly 1.0 resets the zoom.
    virtual void OnZoomChanged(const Rect& area, const double* centre, double factor) = 0;
    virtual void OnGestureStarted() = 0;
    virtual void OnGestureEnded() = 0;
    virtual void SelectBalancePreset(std::int32_t preset) = 0;
    virtual void SelectLevelPreset(std::int32_t preset) = 0;
    // The preset operations answer non-zero on success.
    virtual std::int32_t SaveBalancePreset(std::int32_t preset) = 0;
    virtual std::int32_t ResetBalancePreset(std::int32_t preset) = 0;
    virtual std::int32_t SaveLevelPreset(std::int32_t preset) = 0;
    virtual std::int32_t ResetLevelPreset(std::int32_t preset) = 0;
    virtual std::int32_t ResetAllPresets() = 0;
    virtual void SetTwelveAxes(std::int32_t first, std::int32_t second, std::int32_t third) = 0;
    virtual void SetGammaCurve(std::int32_t curve) = 0;
    virtual void SetColorMute(std::int32_t red, std::int32_t green, std::int32_t blue) = 0;
    virtual void SetDriveGain(std::int32_t red, std::int32_t green, std::int32_t blue) = 0;
    virtual void SetCutoffOffset(std::int32_t red, std::int32_t green, std::int32_t blue) = 0;
    // 1: the first play mode (video on), 0: back to the resolver's choice.
    virtual void SetFirstPlayMode(std::int32_t flag) = 0;
    virtual void CaptureStill() = 0;
    virtual void OpenCaptureFolder() = 0;

protected:
    ~IVideoPlayListner() = default;
};

// Screen-mode and visibility requests of the views.
class ScreenModeChangeListner {
public:
    // 0 full screen, 1 normal window.
    virtual void ChangeScreenMode(std::int32_t mode) = 0;
    virtual void ChangeSettingViewVisible(std::int32_t flag) = 0;
    virtual void SetSecondPlayMode(std::int32_t flag) = 0;
    // 0 hides the operation controls for this once.
    virtual void ChangeControlsVisible(std::int32_t flag) = 0;

protected:
    ~ScreenModeChangeListner() = default;
};

}  // namespace vistrel

namespace Pelmora::Lib::Overlap {

// What a display view reports: where the picture is, the part of it that the
// overlap check skips (the message text block; empty for the play and blank
// views), and the colour the picture area must have. Screen coordinates.
struct DisplayArea {
    vistrel::Rect video_rect;
    vistrel::Rect extra_rect;
    std::uint32_t background = 0;  // COLORREF

    friend constexpr bool operator==(const DisplayArea&, const DisplayArea&) = default;
};

class DetectInfoChangeListener {
public:
    virtual void OnDisplayAreaChanged(const DisplayArea& area) = 0;

protected:
    ~DetectInfoChangeListener() = default;
};

}  // namespace Pelmora::Lib::Overlap

namespace vistrel {

using Pelmora::Lib::Overlap::DetectInfoChangeListener;
using Pelmora::Lib::Overlap::DisplayArea;

// The frame's capture-data accessors (Cpw_GetCaptureData and
// Cpw_ReleaseCaptureData), handed to the waveform source.
struct CaptureDataAccessors {
    using GetFn = CpwResult(CPWAPI*)(CpwCaptureFrame** frame);
    using ReleaseFn = CpwResult(CPWAPI*)();
    GetFn get = nullptr;
    ReleaseFn release = nullptr;
};

}  // namespace vistrel
