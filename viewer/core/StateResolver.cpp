#include "viewer/core/StateResolver.h"

#include <utility>

#include "viewer/core/PlayCode.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace vistrel {
namespace {

StateResolver::Sender PlatformSender() {
#if defined(_WIN32)
    return [](StateResolver::Handle to, std::uint32_t message, std::uintptr_t w, std::intptr_t l) {
        return static_cast<std::intptr_t>(SendMessageW(static_cast<HWND>(to), message,
                                                       static_cast<WPARAM>(w), static_cast<LPARAM>(l)));
    };
#else
    return {};
#endif
}

template <class T>
const T* As(const BaseChangedState& s) {
    return dynamic_cast<const T*>(&s);
}

}  // namespace

StateResolver::StateResolver() : sender_(PlatformSender()) {}

StateResolver::StateResolver(Sender sender) : sender_(std::move(sender)) {}

void StateResolver::SetWindows(Handle layout, Handle screenModeReceiver, Handle statusReceiver) noexcept {
    layout_ = layout;
    screenModeReceiver_ = screenModeReceiver;
    statusReceiver_ = statusReceiver;
}

void StateResolver::Apply(std::span<BaseChangedState* const> batch) {
    bool any = false;
    for (BaseChangedState* state : batch) {
        if (state != nullptr) {
            ApplyOne(*state);
            any = true;
        }
    }
    if (!any) {
        return;
    }
    Publish(Resolve(held_));
}

// The order of the tests is the order of precedence; the first match acts.
void StateResolver::ApplyOne(const BaseChangedState& state) {
    HeldStates& h = held_;
    auto closeSetting = [&h] { h.settingViewVisible = 0; };

    if (auto* s = As<AlreadyProcState>(state)) {
        h.alreadyProc = s->value;
        if (s->value != 0) closeSetting();
    } else if (auto* s = As<ControlHideState>(state)) {
        h.controlHide = s->value;
        if (s->value == 0) return;
        closeSetting();
        // Hidden controls leave nothing to end a pause or the movie mode with.
        if (h.playCode >= 2 && h.playCode <= 7) {
            PlayTriple t = DecodePlayCode(h.playCode);
            t.mode = 0;
            h.playCode = EncodePlayCode(t);
        }
    } else if (auto* s = As<DetectPauseState>(state)) {
        h.detectPause = s->value;
    } else if (auto* s = As<DetectState>(state)) {
        h.detect = s->value;
        if (s->value != 0) closeSetting();
    } else if (auto* s = As<DisplaySettingChangedState>(state)) {
        h.displaySettingChanged = s->value;
        if (s->value != 0) closeSetting();
    } else if (auto* s = As<DriverVerCheckedState>(state)) {
        h.driverVerChecked = s->value;
        if (s->value != 0) closeSetting();
    } else if (auto* s = As<FirmVerCheckedState>(state)) {
        h.firmVerChecked = s->value;
        if (s->value != 0) closeSetting();
    } else if (auto* s = As<HdmiConnectState>(state)) {
        h.hdmiConnect = s->value;
        if (s->value != 0) closeSetting();
    } else if (auto* s = As<InternalErrorState>(state)) {
        h.internalError = s->value;
        if (s->value != 0) closeSetting();
    } else if (auto* s = As<SaveCaptureErrorState>(state)) {
        h.saveCaptureError = s->value;
        // Leaving the save-error screen goes through the blank transition.
        if (s->value == 0) h.showTransition = 1;
        closeSetting();
    } else if (auto* s = As<ShowTransitionState>(state)) {
        h.showTransition = s->value;
        if (s->value != 0) closeSetting();
    } else if (auto* s = As<SuspendState>(state)) {
        h.suspend = s->value;
        if (s->value != 0) closeSetting();
    } else if (auto* s = As<ScreenModeState>(state)) {
        h.screenMode = s->value;
        if (s->value == 1) closeSetting();
    } else if (auto* s = As<ResizeState>(state)) {
        h.resize = s->value;
    } else if (auto* s = As<SettingViewVisibleState>(state)) {
        h.settingViewVisible = s->value;
    } else if (auto* s = As<VideoPlayState>(state)) {
        h.playCode = s->value;
        if (s->value == 6 || s->value == 7) closeSetting();
    } else if (auto* s = As<TableteModeState>(state)) {
        h.tableteMode = s->value;
        if (s->value != 0) {
            h.screenMode = 1;
            closeSetting();
            h.resize = 0;
            PlayTriple t = DecodePlayCode(h.playCode);
            if (t.mode == 2) t.mode = 0;
            h.playCode = EncodePlayCode(t);
        }
    }
}

ViewStatus StateResolver::Preview() const {
    HeldStates copy = held_;
    return Resolve(copy);
}

ViewStatus StateResolver::Resolve(HeldStates& h) const {
    ViewStatus s;  // {0, 1, 0, 0, 0, 0, 8}

    bool videoAvailable = false;
    if (h.alreadyProc != 0) {
        s.displayKind = KindAlreadyRunning;
    } else if (h.firmVerChecked == 1 || h.driverVerChecked == 1) {
        s.displayKind = KindUpdateRequired;
    } else if (h.saveCaptureError == 1) {
        s.displayKind = KindSaveFailedSpace;
    } else if (h.saveCaptureError == 2) {
        s.displayKind = KindSaveFailedLocation;
    } else if (h.internalError != 0 || h.firmVerChecked == 2 || h.driverVerChecked == 2 ||
               h.hdmiConnect == 3) {
        s.displayKind = KindFatal;
    } else if (h.suspend != 0) {
        s.displayKind = KindSuspended;
    } else if (h.displaySettingChanged != 0) {
        s.displayKind = KindDisplayChanged;
    } else if (h.showTransition != 0) {
        s.displayKind = KindTransition;
    } else if (h.hdmiConnect == 1 || h.hdmiConnect == 2) {
        s.displayKind = KindNoSignal;
    } else {
        videoAvailable = true;
        s.displayKind = (h.detect == 1 && h.detectPause == 0) ? KindBlocked : KindVideo;
    }
    s.detectionActive = videoAvailable ? 1 : 0;

    s.settingViewVisible = h.settingViewVisible;
    s.controlsVisible = h.controlHide == 0 ? 1 : 0;
    s.screenMode = h.screenMode;
    if (s.screenMode == 1) {
        s.resizeRequested = h.resize;
        if (h.resize == 1) h.resize = 0;  // consumed; in full screen it stays pending
    }

    // Anything that keeps the video from being shown leaves nothing to play.
    const bool nothingToPlay = h.alreadyProc != 0 || h.saveCaptureError != 0 ||
                               h.firmVerChecked == 1 || h.firmVerChecked == 2 ||
                               h.driverVerChecked == 1 || h.driverVerChecked == 2 ||
                               h.internalError != 0 ||
                               (h.hdmiConnect >= 1 && h.hdmiConnect <= 3) || h.suspend != 0 ||
                               h.displaySettingChanged != 0 || h.showTransition != 0;
    std::int32_t code = kPlayCodeStopped;
    if (!nothingToPlay) {
        PlayTriple t = DecodePlayCode(h.playCode);
        if (h.detect == 1 && h.detectPause == 0) {
            if (t.mode == 0) {
                t.audio = 1;
            } else if (t.mode == 1) {
                t.audio = 0;
            } else if (t.mode == 2) {
                t.mode = 0;
            }
            t.video = 0;
            code = EncodePlayCode(t);
        } else if (EncodePlayCode(t) == kPlayCodeStopped) {
            code = kPlayCodeLive;  // a stopped stream is restarted live
        } else {
            t.video = 1;
            code = EncodePlayCode(t);
        }
    }
    h.playCode = code;
    s.playCode = code;
    return s;
}

void StateResolver::Publish(const ViewStatus& next) {
    const ViewStatus old = status_;
    if (next.displayKind == old.displayKind && next.screenMode == old.screenMode &&
        next.resizeRequested == old.resizeRequested &&
        next.settingViewVisible == old.settingViewVisible && next.playCode == old.playCode) {
        return;
    }
    // The pointers are valid for the synchronous calls only.
    ViewStatus oldCopy = old;
    ViewStatus newCopy = next;
    const auto oldArg = reinterpret_cast<std::uintptr_t>(&oldCopy);
    const auto newArg = reinterpret_cast<std::intptr_t>(&newCopy);

    Send(statusReceiver_, msg::kStatusChanging, oldArg, newArg);
    if (next.screenMode != old.screenMode || next.resizeRequested != old.resizeRequested) {
        Send(screenModeReceiver_, msg::kScreenMode, static_cast<std::uintptr_t>(next.screenMode),
             next.resizeRequested);
    }
    if (next.displayKind != old.displayKind || next.controlsVisible != old.controlsVisible) {
        Send(layout_, msg::kDisplayKind, static_cast<std::uintptr_t>(next.displayKind), next.controlsVisible);
    }
    if (next.settingViewVisible != old.settingViewVisible) {
        Send(layout_, msg::kSettingViewVisible, static_cast<std::uintptr_t>(next.settingViewVisible), 0);
    }
    if (next.playCode != old.playCode) {
        Send(layout_, msg::kPlayCode, static_cast<std::uintptr_t>(next.playCode), old.playCode);
    }
    Send(statusReceiver_, msg::kStatusChanged, oldArg, newArg);
    status_ = next;
}

std::intptr_t StateResolver::Send(Handle to, std::uint32_t message, std::uintptr_t w, std::intptr_t l) {
    if (!sender_) return 0;
    return sender_(to, message, w, l);
}

}  // namespace vistrel
