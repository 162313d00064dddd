// The facts the viewer's state resolver decides from. Each fact has a class of
// its own; the resolver tells them apart only by run-time type tests, so a new
// fact is a new class and never a new type code.
#pragma once

#include <cstdint>

namespace vistrel {

class BaseChangedState {
public:
    BaseChangedState() = default;
    BaseChangedState(const BaseChangedState&) = default;
    BaseChangedState& operator=(const BaseChangedState&) = default;
    virtual ~BaseChangedState() = default;
};

// A fact whose value is a flag (0 or 1).
class ChangedBoolState : public BaseChangedState {
public:
    explicit ChangedBoolState(std::int32_t v = 0) noexcept : value(v) {}
    std::int32_t value;
};

#define VISTREL_BOOL_STATE(Name)                                           \
    class Name final : public ChangedBoolState {                           \
    public:                                                                \
        explicit Name(std::int32_t v = 0) noexcept : ChangedBoolState(v) {} \
    }

// A fact with a small enumerated value derives from the root directly.
#define VISTREL_VALUE_STATE(Name)                                  \
    class Name final : public BaseChangedState {                   \
    public:                                                        \
        explicit Name(std::int32_t v = 0) noexcept : value(v) {}   \
        std::int32_t value;                                        \
    }

// 1 = another session already runs the viewer.
VISTREL_BOOL_STATE(AlreadyProcState);
// 1 = the operation controls are hidden.
VISTREL_BOOL_STATE(ControlHideState);
// 1 = overlap detection results are ignored for now.
VISTREL_BOOL_STATE(DetectPauseState);
// 1 = another window covers the video.
VISTREL_VALUE_STATE(DetectState);
// 1 = the display configuration has just changed.
VISTREL_BOOL_STATE(DisplaySettingChangedState);
// 0 accepted, 1 needs an update, 2 not checked or failed.
VISTREL_VALUE_STATE(DriverVerCheckedState);
// 0 accepted, 1 needs an update, 2 not checked or failed.
VISTREL_VALUE_STATE(FirmVerCheckedState);
// 0 signal, 1 cable but no signal, 2 no cable, 3 information unreadable.
VISTREL_VALUE_STATE(HdmiConnectState);
// 1 = unrecoverable error.
VISTREL_BOOL_STATE(InternalErrorState);
// 1 = a short blank transition is to be shown.
VISTREL_BOOL_STATE(ShowTransitionState);
// 1 = playback stopped by a power or session event until Continue.
VISTREL_BOOL_STATE(SuspendState);
// 0 full screen, 1 normal window.
VISTREL_VALUE_STATE(ScreenModeState);
// 1 = refit the window to the video (one-shot).
VISTREL_BOOL_STATE(ResizeState);
// 1 = the tablet is in tablet mode.
VISTREL_BOOL_STATE(TableteModeState);
// 1 = the colour setting view is open.
VISTREL_BOOL_STATE(SettingViewVisibleState);
// 0 none, 1 no disk space, 2 bad save location.
VISTREL_VALUE_STATE(SaveCaptureErrorState);
// The play code 0..9.
VISTREL_VALUE_STATE(VideoPlayState);

#undef VISTREL_BOOL_STATE
#undef VISTREL_VALUE_STATE

}  // namespace vistrel
