// The image button's look by state, the touch phase, the radio rule and the
// kit's small geometries, against worked figures.
#include <gtest/gtest.h>

#include "viewer/core/ControlLook.h"

namespace vistrel::controls {
namespace {

constexpr LayoutState k1920x1280{1920, 1280, 0};

TEST(ControlLook, ScaledTakesTheSmallerRatioAndHonoursRotation) {
    EXPECT_EQ(Scaled(200, k1920x1280), 100);
    EXPECT_EQ(Scaled(200, LayoutState{1920, 1080, 0}), 84);
    EXPECT_EQ(Scaled(200, LayoutState{1280, 1920, 90}), 100);
    EXPECT_EQ(Scaled(200, LayoutState{}), 0);
}

TEST(ControlLook, ColoursByState) {
    EXPECT_EQ(ColorsForState(0), (ButtonColors{kBlack, kWhite, kWhite, kWhite}));
    EXPECT_EQ(ColorsForState(kItemPressed), (ButtonColors{kWhite, kWhite, kWhite, kBlack}));
    EXPECT_EQ(ColorsForState(kItemDisabled), (ButtonColors{kBlack, kDisabledGrey, kWhite, kDisabledGrey}));
    // A focused disabled button keeps the white border and text.
    EXPECT_EQ(ColorsForState(kItemDisabled | kItemFocus), (ButtonColors{kBlack, kWhite, kWhite, kWhite}));
}

TEST(ControlLook, ImageByStateFallsBackToNormal) {
    const LoadedImages all{true, true, true, true, true};
    const LoadedImages normal_only{true, false, false, false, false};
    EXPECT_EQ(ImageForState(kItemPressed, false, all), ImageSlot::Pressed);
    EXPECT_EQ(ImageForState(kItemDisabled | kItemPressed, false, all), ImageSlot::Disabled);
    EXPECT_EQ(ImageForState(kItemDisabled, false, normal_only), ImageSlot::Normal);
    EXPECT_EQ(ImageForState(kItemDisabled, true, all), ImageSlot::OnDisabled);
    EXPECT_EQ(ImageForState(kItemPressed, true, all), ImageSlot::On);
    EXPECT_EQ(ImageForState(0, false, LoadedImages{}), ImageSlot::None);
}

TEST(ControlLook, ImageBesideTextIsCentredAsOneGroup) {
    ButtonInput in;
    in.item = {0, 0, 175, 40};  // 350 x 80 design units on 1920 x 1280
    in.loaded.normal = true;
    in.text_width = 60;
    in.layout = k1920x1280;
    const ButtonLook look = ComputeButtonLook(in);
    EXPECT_EQ(look.content, ButtonContent::ImageBesideText);
    EXPECT_EQ(look.pen_width, 2);
    EXPECT_EQ(look.inner, (Rect{4, 4, 171, 36}));
    // Icon 25, gap 5, text 60: the group is 90 wide, starting at 42.
    EXPECT_EQ(look.icon, (Rect{42, 7, 67, 32}));
    EXPECT_EQ(look.text, (Rect{72, 0, 175, 40}));
}

TEST(ControlLook, ImageFillsTheInnerAreaAndToggleOnUsesItsColours) {
    ButtonInput in;
    in.item = {0, 0, 50, 50};
    in.mode = ImageMode::Fills;
    in.loaded = {true, true, true, true, true};
    in.on = true;
    in.layout = LayoutState{640, 400, 0};  // scaled(9) is 1, scaled(5) is 0: pen at least 1
    const ButtonLook look = ComputeButtonLook(in);
    EXPECT_EQ(look.content, ButtonContent::ImageOnly);
    EXPECT_EQ(look.pen_width, 1);
    EXPECT_EQ(look.icon, (Rect{2, 2, 48, 48}));
    EXPECT_EQ(look.colors, kOnColors);
    EXPECT_EQ(look.image, ImageSlot::On);
    in.layout = LayoutState{100, 100, 0};  // scaled(9) is 0: the inner area is 2 in
    EXPECT_EQ(ComputeButtonLook(in).inner, (Rect{2, 2, 48, 48}));
}

TEST(ControlLook, TouchContactDraggedOutOfTheButtonLeaves) {
    const Rect screen{100, 100, 200, 150};
    PointerPhase phase{};
    TouchContact c{15000, 12000, 0x2};
    ASSERT_TRUE(TouchPhase(&c, 1, screen, phase));
    EXPECT_EQ(phase, PointerPhase::Pressed);
    c = {15000, 12000, 0x1};
    ASSERT_TRUE(TouchPhase(&c, 1, screen, phase));
    EXPECT_EQ(phase, PointerPhase::MovedInside);
    c = {20050, 12000, 0x1};
    ASSERT_TRUE(TouchPhase(&c, 1, screen, phase));
    EXPECT_EQ(phase, PointerPhase::Left);
    c = {20050, 12000, 0x4};
    ASSERT_TRUE(TouchPhase(&c, 1, screen, phase));
    EXPECT_EQ(phase, PointerPhase::Released);
    const TouchContact two[2] = {{15000, 12000, 0x2}, {15000, 12000, 0x2}};
    EXPECT_FALSE(TouchPhase(two, 2, screen, phase));
}

TEST(ControlLook, RadioSwitchesOffOnlyForAnotherButtonOfItsGroupTurningOn) {
    EXPECT_TRUE(RadioSwitchesOff(1, 2, true, L"G", L"G", 1));
    EXPECT_FALSE(RadioSwitchesOff(1, 1, true, L"G", L"G", 1));
    EXPECT_FALSE(RadioSwitchesOff(1, 2, true, L"G", L"H", 1));
    EXPECT_FALSE(RadioSwitchesOff(1, 2, true, L"G", L"G", 0));
    EXPECT_FALSE(RadioSwitchesOff(1, 2, false, L"G", L"G", 1));
}

TEST(ControlLook, SliderAndSeparatorGeometry) {
    EXPECT_EQ(SliderChannelInner({10, 20, 110, 30}, k1920x1280), (Rect{11, 21, 109, 27}));
    EXPECT_EQ(SliderThumb({40, 0, 50, 30}, k1920x1280), (Rect{40, 8, 50, 23}));
    EXPECT_EQ(SliderThumb({40, 0, 50, 2}, k1920x1280), (Rect{40, 1, 50, 2}));
    const SeparatorLines lines = SeparatorGeometry(LayoutState{3840, 2560, 0});
    EXPECT_EQ(lines.pen_width, 3);
    EXPECT_EQ(lines.first, 3);
    EXPECT_EQ(lines.second, 9);
    EXPECT_EQ(SeparatorGeometry(LayoutState{}).first, 1);
}

}  // namespace
}  // namespace vistrel::controls
