# Controller bar (and setting panel): what the bar shows is platform-free
# (vistrel_core); the views over it are vistrel_ui.
target_sources(vistrel_core PRIVATE core/ControllerBar.cpp)

cw_add_native_test(viewer_bar_core_test SOURCES tests/controller_bar_test.cpp LIBS vistrel_core)

if(CW_WINDOWS)
  target_sources(vistrel_ui PRIVATE views/ControllerViews.cpp)
  # The bars in the real layout inside a test host.
  cw_add_wine_test(viewer_bar_test SOURCES tests/controller_views_test.cpp tests/FakeLevelEndpoints.cpp "${VISTREL_RC}" LIBS vistrel_ui TIMEOUT 180)
  target_include_directories(viewer_bar_test PRIVATE "${CMAKE_CURRENT_SOURCE_DIR}/res")
  # The waveform display end to end: the real frame on the simulated controller.
  cw_add_wine_test(viewer_waveform_test SOURCES tests/waveform_frame_test.cpp "${VISTREL_RC}" LIBS vistrel_ui
    TIMEOUT 180)
  target_include_directories(viewer_waveform_test PRIVATE "${CMAKE_CURRENT_SOURCE_DIR}/res")
  add_dependencies(viewer_waveform_test tavrin Merrowcom)
endif()
