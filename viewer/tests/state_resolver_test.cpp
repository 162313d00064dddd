// Resolution and apply rules of the state resolver, observed through the
// status it publishes and the messages it sends.
#include <gtest/gtest.h>

#include <vector>

#include "viewer/core/StateResolver.h"

namespace vistrel {
namespace {

struct Sent {
    void* to;
    std::uint32_t msg;
    std::uintptr_t w;
    std::intptr_t l;
};

class Resolver : public testing::Test {
protected:
    Resolver()
        : resolver([this](void* to, std::uint32_t m, std::uintptr_t w, std::intptr_t l) -> std::intptr_t {
              sent.push_back({to, m, w, l});
              return 0;
          }) {
        resolver.SetWindows(&layout, &frame, &frame);
    }

    // The state the frame reaches once the library started and a signal is present.
    void StartPlaying() {
        FirmVerCheckedState firm(0);
        DriverVerCheckedState driver(0);
        HdmiConnectState hdmi(0);
        resolver.Apply({&firm, &driver, &hdmi});
        sent.clear();
    }

    std::vector<std::uint32_t> Messages() const {
        std::vector<std::uint32_t> m;
        for (const Sent& s : sent) m.push_back(s.msg - msg::kApp);
        return m;
    }

    int layout = 0;
    int frame = 0;
    std::vector<Sent> sent;
    StateResolver resolver;
};

TEST_F(Resolver, FirstResolutionWithInitialValuesIsFatalBecauseVersionsAreUnchecked) {
    ResizeState resize(0);
    resolver.Apply({&resize});
    EXPECT_EQ(resolver.Status().displayKind, KindFatal);
    EXPECT_EQ(resolver.Status().playCode, 8);
    EXPECT_EQ(resolver.Status().detectionActive, 0);
}

TEST_F(Resolver, AlreadyRunningWinsOverEverything) {
    AlreadyProcState already(1);
    InternalErrorState error(1);
    SaveCaptureErrorState save(2);
    FirmVerCheckedState firm(1);
    SuspendState suspend(1);
    resolver.Apply({&error, &save, &firm, &suspend, &already});
    EXPECT_EQ(resolver.Status().displayKind, KindAlreadyRunning);
    EXPECT_EQ(resolver.Status().playCode, 8);
}

TEST_F(Resolver, ErrorScreensInPriorityOrder) {
    StartPlaying();
    InternalErrorState error(1);
    SaveCaptureErrorState save(2);
    resolver.Apply({&error, &save});
    EXPECT_EQ(resolver.Status().displayKind, KindSaveFailedLocation) << "save location beats internal error";
    save.value = 1;
    resolver.Apply({&save});
    EXPECT_EQ(resolver.Status().displayKind, KindSaveFailedSpace);
    DriverVerCheckedState driver(1);
    resolver.Apply({&driver});
    EXPECT_EQ(resolver.Status().displayKind, KindUpdateRequired);
}

TEST_F(Resolver, UnreadableHdmiIsFatalUntilTheNextGoodReading) {
    StartPlaying();
    HdmiConnectState hdmi(3);
    resolver.Apply({&hdmi});
    EXPECT_EQ(resolver.Status().displayKind, KindFatal);
    EXPECT_EQ(resolver.Status().playCode, 8);
    hdmi.value = 0;
    resolver.Apply({&hdmi});
    EXPECT_EQ(resolver.Status().displayKind, KindVideo);
    EXPECT_EQ(resolver.Status().playCode, 0);
}

TEST_F(Resolver, NonErrorScreensInPriorityOrder) {
    StartPlaying();
    HdmiConnectState hdmi(1);
    ShowTransitionState transition(1);
    DisplaySettingChangedState display(1);
    SuspendState suspend(1);
    resolver.Apply({&hdmi, &transition, &display, &suspend});
    EXPECT_EQ(resolver.Status().displayKind, KindSuspended);
    suspend.value = 0;
    resolver.Apply({&suspend});
    EXPECT_EQ(resolver.Status().displayKind, KindDisplayChanged);
    display.value = 0;
    resolver.Apply({&display});
    EXPECT_EQ(resolver.Status().displayKind, KindTransition);
    transition.value = 0;
    resolver.Apply({&transition});
    EXPECT_EQ(resolver.Status().displayKind, KindNoSignal);
    EXPECT_EQ(resolver.Status().detectionActive, 0);
}

TEST_F(Resolver, ClosingTheSaveErrorScreenGoesThroughTheTransition) {
    StartPlaying();
    SaveCaptureErrorState save(1);
    resolver.Apply({&save});
    ASSERT_EQ(resolver.Status().displayKind, KindSaveFailedSpace);
    save.value = 0;
    resolver.Apply({&save});
    EXPECT_EQ(resolver.Status().displayKind, KindTransition);
    ShowTransitionState transition(0);  // the timer's end of the transition
    resolver.Apply({&transition});
    EXPECT_EQ(resolver.Status().displayKind, KindVideo);
    EXPECT_EQ(resolver.Status().detectionActive, 1);
}

TEST_F(Resolver, ResizeInFullScreenStaysPendingUntilTheNormalWindow) {
    StartPlaying();
    ScreenModeState mode(0);
    ResizeState resize(1);
    resolver.Apply({&mode, &resize});
    EXPECT_EQ(resolver.Status().screenMode, 0);
    EXPECT_EQ(resolver.Status().resizeRequested, 0);
    EXPECT_EQ(resolver.Held().resize, 1);

    mode.value = 1;
    resolver.Apply({&mode});
    EXPECT_EQ(resolver.Status().resizeRequested, 1);
    EXPECT_EQ(resolver.Held().resize, 0) << "delivered once";

    DetectPauseState pause(0);
    resolver.Apply({&pause});
    EXPECT_EQ(resolver.Status().resizeRequested, 0);
}

TEST_F(Resolver, HidingControlsAloneWithClosedSettingsPublishesNothing) {
    StartPlaying();
    ASSERT_EQ(resolver.Status().playCode, 0);
    ControlHideState hide(1);
    resolver.Apply({&hide});
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(resolver.Status().controlsVisible, 1) << "a change of the controls alone is not stored";
}

TEST_F(Resolver, HidingControlsClosesAnOpenSettingView) {
    StartPlaying();
    SettingViewVisibleState setting(1);
    resolver.Apply({&setting});
    ASSERT_EQ(resolver.Status().settingViewVisible, 1);
    sent.clear();
    ControlHideState hide(1);
    resolver.Apply({&hide});
    EXPECT_EQ(resolver.Status().settingViewVisible, 0);
    EXPECT_EQ(resolver.Status().controlsVisible, 0);
    EXPECT_EQ(Messages(), (std::vector<std::uint32_t>{4, 2, 7, 5}));
}

TEST_F(Resolver, HidingControlsLeavesPauseAndMovieForLive) {
    StartPlaying();
    for (int code : {2, 3, 4, 5, 6, 7}) {
        SCOPED_TRACE(code);
        VideoPlayState play(code);
        ControlHideState show(0);
        resolver.Apply({&show, &play});
        ControlHideState hide(1);
        resolver.Apply({&hide});
        // The mode drops to live; the video is then on again (not covered).
        EXPECT_EQ(resolver.Status().playCode, 0);
    }
}

TEST_F(Resolver, TabletModeForcesTheNormalWindowAndLeavesMovieMode) {
    StartPlaying();
    // Uncovered, resolution switches the video on afterwards; without the
    // tablet rule 6 and 7 would stay in movie mode (6).
    const int cases[][2] = {{6, 0}, {7, 0}, {2, 2}, {3, 2}, {4, 4}, {5, 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        ScreenModeState full(0);
        TableteModeState off(0);
        ResizeState resize(1);
        resolver.Apply({&full, &off, &resize});
        ASSERT_EQ(resolver.Status().screenMode, 0);
        VideoPlayState play(c[0]);
        TableteModeState on(1);
        resolver.Apply({&play, &on});
        EXPECT_EQ(resolver.Status().screenMode, 1);
        EXPECT_EQ(resolver.Status().resizeRequested, 0) << "tablet mode drops a pending resize";
        EXPECT_EQ(resolver.Status().playCode, c[1]);
    }
}

TEST_F(Resolver, CoveredVideoSwitchesVideoOffAndBack) {
    StartPlaying();
    const int cases[][3] = {{0, 1, 0}, {2, 3, 2}, {4, 3, 2}, {6, 1, 0}, {8, 1, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        DetectState uncovered(0);
        VideoPlayState play(c[0]);
        resolver.Apply({&uncovered, &play});
        DetectState covered(1);
        resolver.Apply({&covered});
        EXPECT_EQ(resolver.Status().displayKind, KindBlocked);
        EXPECT_EQ(resolver.Status().playCode, c[1]);
        EXPECT_EQ(resolver.Status().detectionActive, 1);
        resolver.Apply({&uncovered});
        EXPECT_EQ(resolver.Status().displayKind, KindVideo);
        EXPECT_EQ(resolver.Status().playCode, c[2]);
    }
}

TEST_F(Resolver, PausedDetectionIgnoresTheCover) {
    StartPlaying();
    DetectPauseState pause(1);
    DetectState covered(1);
    resolver.Apply({&pause, &covered});
    EXPECT_EQ(resolver.Status().displayKind, KindVideo);
    EXPECT_EQ(resolver.Status().playCode, 0);
    pause.value = 0;
    resolver.Apply({&pause});
    EXPECT_EQ(resolver.Status().displayKind, KindBlocked);
}

TEST_F(Resolver, StoppedStreamRestartsLiveWhenTheVideoIsAvailable) {
    StartPlaying();
    VideoPlayState play(8);
    resolver.Apply({&play});
    EXPECT_EQ(resolver.Status().playCode, 0);
    play.value = 9;
    resolver.Apply({&play});
    EXPECT_EQ(resolver.Status().playCode, 0);
}

TEST_F(Resolver, CoveringClosesTheSettingViewButAPausedCoverDoesNotReopenIt) {
    StartPlaying();
    SettingViewVisibleState setting(1);
    resolver.Apply({&setting});
    DetectState covered(1);
    resolver.Apply({&covered});
    EXPECT_EQ(resolver.Status().settingViewVisible, 0);
}

TEST_F(Resolver, ScreenModeNormalClosesTheSettingViewFullScreenDoesNot) {
    StartPlaying();
    ScreenModeState full(0);
    SettingViewVisibleState setting(1);
    resolver.Apply({&full, &setting});
    EXPECT_EQ(resolver.Status().settingViewVisible, 1);
    full.value = 0;
    resolver.Apply({&full});
    EXPECT_EQ(resolver.Status().settingViewVisible, 1);
    ScreenModeState normal(1);
    resolver.Apply({&normal});
    EXPECT_EQ(resolver.Status().settingViewVisible, 0);
}

TEST_F(Resolver, MovieModeClosesTheSettingView) {
    StartPlaying();
    SettingViewVisibleState setting(1);
    resolver.Apply({&setting});
    VideoPlayState movie(6);
    resolver.Apply({&movie});
    EXPECT_EQ(resolver.Status().settingViewVisible, 0);
    EXPECT_EQ(resolver.Status().playCode, 6);
}

TEST_F(Resolver, EmptyAndNullBatchesDoNothing) {
    resolver.Apply({});
    resolver.Apply({nullptr});
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(resolver.Status(), ViewStatus{});
}

TEST_F(Resolver, StateClassesAreToldApartByTypeOnly) {
    // The same value in two classes does different things.
    StartPlaying();
    ChangedBoolState plain(1);  // the family root of flags: matches no rule
    resolver.Apply({&plain});
    EXPECT_EQ(resolver.Status().displayKind, KindVideo);
    SuspendState suspend(1);
    resolver.Apply({&suspend});
    EXPECT_EQ(resolver.Status().displayKind, KindSuspended);
}

}  // namespace
}  // namespace vistrel
