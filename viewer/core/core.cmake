# Platform-free core of the viewer: state machine, play codes, gestures, view parameters.
target_sources(vistrel_core PRIVATE
  core/PlayCode.cpp
  core/StateResolver.cpp
  core/GestureRecognizer.cpp
  core/ViewParameters.cpp
  core/FrameGeometry.cpp
  core/ProbeRules.cpp
  core/StillCapture.cpp)

set(_viewer_core_tests
  tests/state_resolver_test.cpp tests/play_code_test.cpp tests/gesture_test.cpp
  tests/view_parameters_test.cpp tests/publish_sequence_test.cpp
  tests/frame_geometry_test.cpp tests/probe_rules_test.cpp)
cw_add_native_test(viewer_core_test SOURCES ${_viewer_core_tests} LIBS vistrel_core)
cw_add_wine_test(viewer_core_wine_test SOURCES ${_viewer_core_tests} LIBS vistrel_core TIMEOUT 120)
