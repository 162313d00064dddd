# Splitters and views: the layout's geometry, target table, play-view model
# and caption texts are platform-free (vistrel_core); the windows over them
# are vistrel_ui.
target_sources(vistrel_core PRIVATE
  core/ViewGeometry.cpp
  core/PlayViewModel.cpp
  core/CaptionText.cpp)
target_link_libraries(vistrel_core PUBLIC cw_headers)

set(_views_core_tests tests/view_geometry_test.cpp tests/play_model_test.cpp tests/caption_text_test.cpp)
cw_add_native_test(viewer_views_core_test SOURCES ${_views_core_tests} LIBS vistrel_core)
cw_add_wine_test(viewer_views_core_wine_test SOURCES ${_views_core_tests} LIBS vistrel_core TIMEOUT 120)

if(CW_WINDOWS)
  target_sources(vistrel_ui PRIVATE
    views/BaseView.cpp
    views/ViewButtons.cpp
    views/Splitters.cpp
    views/PlayView.cpp
    views/CaptionView.cpp
    views/DisplayViews.cpp)
endif()

if(CW_WINDOWS)
  # The layout and its views as real windows in a test host.
  cw_add_wine_test(viewer_views_test SOURCES tests/views_test.cpp "${VISTREL_RC}" LIBS vistrel_ui TIMEOUT 180)
  target_include_directories(viewer_views_test PRIVATE "${CMAKE_CURRENT_SOURCE_DIR}/res")
endif()

if(CW_WINDOWS)
  # Shows the screens one by one for the screenshot script (tools/shots/views.sh).
  add_executable(ViewsShotHost "${CW_SOURCE_ROOT}/tools/shots/ViewsShotHost.cpp" "${VISTREL_RC}")
  target_link_options(ViewsShotHost PRIVATE -municode)
  # The simulated controller's test picture fills the waveform display.
  target_link_libraries(ViewsShotHost PRIVATE cw_warnings vistrel_ui mrcsim_model)
  target_include_directories(ViewsShotHost PRIVATE "${CMAKE_CURRENT_SOURCE_DIR}/res")
endif()
