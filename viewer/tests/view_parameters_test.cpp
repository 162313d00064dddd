#include <gtest/gtest.h>

#include "viewer/core/ViewParameters.h"

namespace vistrel {
namespace {

TEST(ViewParametersBuild, DefaultsGiveTheDocumentedTexts) {
    const ViewParameters p = BuildViewParameters(RawParameters{});
    EXPECT_EQ(p, (ViewParameters{{{0, L"1"}, {1, L"0"}, {2, L"16"}, {3, L"20"}, {4, L"8"}, {5, L"2"}, {6, L"0"}}}));
}

TEST(ViewParametersBuild, LimitsAndTheZoomInterplay) {
    RawParameters raw;
    raw.maxZoom = 3;
    raw.doubleClickZoom = 5;
    EXPECT_EQ(BuildViewParameters(raw).Text(kParamMaxZoom), L"3");
    EXPECT_EQ(BuildViewParameters(raw).Text(kParamDoubleClickZoom), L"3");

    raw = {};
    raw.audioDelay = 0;
    EXPECT_EQ(BuildViewParameters(raw).Text(kParamAudioDelay), L"2");
    raw.audioDelay = 500;
    EXPECT_EQ(BuildViewParameters(raw).Text(kParamAudioDelay), L"160");
    raw.audioDelay = -7;
    EXPECT_EQ(BuildViewParameters(raw).Text(kParamAudioDelay), L"2");

    raw = {};
    raw.maxZoom = 0;
    raw.doubleClickZoom = 99;
    EXPECT_EQ(BuildViewParameters(raw).Text(kParamMaxZoom), L"1");
    EXPECT_EQ(BuildViewParameters(raw).Text(kParamDoubleClickZoom), L"1");
    raw.maxZoom = 11;
    raw.doubleClickZoom = -3;
    EXPECT_EQ(BuildViewParameters(raw).Text(kParamMaxZoom), L"10");
    EXPECT_EQ(BuildViewParameters(raw).Text(kParamDoubleClickZoom), L"1");
}

TEST(ViewParametersBuild, FlagsAndUnlimitedInterval) {
    RawParameters raw;
    raw.detect = 7;
    raw.apiLog = 0xFFFFFFFFu;
    raw.cinemaResolDotByDot = 2;
    raw.executionInterval = -5;  // passed on unchanged; the library refuses it
    const ViewParameters p = BuildViewParameters(raw);
    EXPECT_EQ(p.Text(kParamDetect), L"1");
    EXPECT_EQ(p.Text(kParamApiLog), L"1");
    EXPECT_EQ(p.Text(kParamCinemaResolDotByDot), L"1");
    EXPECT_EQ(p.Text(kParamExecutionInterval), L"-5");
    raw.detect = 0;
    EXPECT_EQ(BuildViewParameters(raw).Text(kParamDetect), L"0");
}

TEST(ViewParametersLookup, MissingKeysAndBadTextsGiveZero) {
    ViewParameters p;
    p[1] = L"42";
    p[2] = L"abc";
    p[3] = L"99999999999";
    p[4] = L"  -12x";
    p[5] = L"2.5";
    EXPECT_EQ(p.Text(9), L"");
    EXPECT_EQ(p.Int(9), 0);
    EXPECT_EQ(p.Int(1), 42);
    EXPECT_EQ(p.Int(2), 0);
    EXPECT_EQ(p.Int(3), 0) << "out of range";
    EXPECT_EQ(p.Int(4), -12);
    EXPECT_DOUBLE_EQ(p.Double(5), 2.5);
    EXPECT_DOUBLE_EQ(p.Double(2), 0.0);
    EXPECT_DOUBLE_EQ(p.Double(9), 0.0);
}

}  // namespace
}  // namespace vistrel
