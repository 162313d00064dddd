// Derives what the viewer shows and plays from the latest value of every
// state, and tells the main frame and the layout window about each change with
// a fixed sequence of synchronous messages. Free of platform headers: the
// messages leave through a sender, which on Windows is SendMessageW.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <span>

#include "viewer/core/Messages.h"
#include "viewer/core/ViewerStates.h"

namespace vistrel {

enum DisplayKind : std::int32_t {
    KindNone = 0,
    KindDisplayChanged = 1,
    KindVideo = 2,
    KindSuspended = 3,
    KindTransition = 4,
    KindNoSignal = 5,
    KindBlocked = 6,
    KindFatal = 7,
    KindUpdateRequired = 8,
    KindAlreadyRunning = 9,
    KindSaveFailedSpace = 10,
    KindSaveFailedLocation = 11,
};

struct ViewStatus {
    std::int32_t displayKind = KindNone;
    std::int32_t screenMode = 1;
    std::int32_t resizeRequested = 0;
    std::int32_t detectionActive = 0;
    std::int32_t settingViewVisible = 0;
    std::int32_t controlsVisible = 0;
    std::int32_t playCode = 8;

    friend bool operator==(const ViewStatus&, const ViewStatus&) = default;
};
static_assert(sizeof(ViewStatus) == 7 * sizeof(std::int32_t), "seven 32-bit fields");

// The value of every state as the resolver holds it.
struct HeldStates {
    std::int32_t alreadyProc = 0;
    std::int32_t controlHide = 0;
    std::int32_t detectPause = 0;
    std::int32_t detect = 0;
    std::int32_t displaySettingChanged = 0;
    std::int32_t driverVerChecked = 2;
    std::int32_t firmVerChecked = 2;
    std::int32_t hdmiConnect = 2;
    std::int32_t internalError = 0;
    std::int32_t showTransition = 0;
    std::int32_t suspend = 0;
    std::int32_t screenMode = 1;
    std::int32_t resize = 0;
    std::int32_t tableteMode = 0;
    std::int32_t settingViewVisible = 0;
    std::int32_t saveCaptureError = 0;
    std::int32_t playCode = 8;
};

class StateResolver {
public:
    // Opaque window handle (an HWND on Windows).
    using Handle = void*;
    // Sends one message synchronously and returns its answer.
    using Sender = std::function<std::intptr_t(Handle, std::uint32_t, std::uintptr_t, std::intptr_t)>;

    // Without a sender the platform's synchronous send is used (nothing is
    // sent on a host without windows).
    StateResolver();
    explicit StateResolver(Sender sender);

    void SetWindows(Handle layout, Handle screenModeReceiver, Handle statusReceiver) noexcept;

    // Applies each state in order, then resolves and publishes once. Null
    // entries are skipped; an empty batch does nothing.
    void Apply(std::span<BaseChangedState* const> batch);
    void Apply(std::initializer_list<BaseChangedState*> batch) {
        Apply(std::span<BaseChangedState* const>(batch.begin(), batch.size()));
    }

    const ViewStatus& Status() const noexcept { return status_; }
    const HeldStates& Held() const noexcept { return held_; }

    // The new status the held values give, without touching the held resize
    // flag or publishing.
    ViewStatus Preview() const;

private:
    void ApplyOne(const BaseChangedState& state);
    ViewStatus Resolve(HeldStates& held) const;
    void Publish(const ViewStatus& next);
    std::intptr_t Send(Handle to, std::uint32_t message, std::uintptr_t w, std::intptr_t l);

    Handle layout_ = nullptr;
    Handle screenModeReceiver_ = nullptr;
    Handle statusReceiver_ = nullptr;
    ViewStatus status_;
    HeldStates held_;
    Sender sender_;
};

}  // namespace vistrel
