// Frame listeners that do nothing, for the windows that stand in for the main
// frame in tests and screenshot hosts: each overrides only what it records.
// The preset operations answer success.
#pragma once
#include <cstdint>

#include "viewer/app/FrameListeners.h"

namespace vistrel {

class QuietPlayListener : public IVideoPlayListner {
public:
    void OnDisplayResized() override {}
    void OnZoomChanged(const Rect&, const double*, double) override {}
    void OnGestureStarted() override {}
    void OnGestureEnded() override {}
    void SelectBalancePreset(std::int32_t) override {}
    void SelectLevelPreset(std::int32_t) override {}
    std::int32_t SaveBalancePreset(std::int32_t) override { return 1; }
    std::int32_t ResetBalancePreset(std::int32_t) override { return 1; }
    std::int32_t SaveLevelPreset(std::int32_t) override { return 1; }
    std::int32_t ResetLevelPreset(std::int32_t) override { return 1; }
    std::int32_t ResetAllPresets() override { return 1; }
    void SetTwelveAxes(std::int32_t, std::int32_t, std::int32_t) override {}
    void SetGammaCurve(std::int32_t) override {}
    void SetColorMute(std::int32_t, std::int32_t, std::int32_t) override {}
    void SetDriveGain(std::int32_t, std::int32_t, std::int32_t) override {}
    void SetCutoffOffset(std::int32_t, std::int32_t, std::int32_t) override {}
    void SetFirstPlayMode(std::int32_t) override {}
    void CaptureStill() override {}
    void OpenCaptureFolder() override {}

protected:
    ~QuietPlayListener() = default;
};

class QuietScreenModeListener : public ScreenModeChangeListner {
public:
    void ChangeScreenMode(std::int32_t) override {}
    void ChangeSettingViewVisible(std::int32_t) override {}
    void SetSecondPlayMode(std::int32_t) override {}
    void ChangeControlsVisible(std::int32_t) override {}

protected:
    ~QuietScreenModeListener() = default;
};

}  // namespace vistrel
