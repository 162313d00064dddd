# The owner-drawn control kit and the viewer's own controls.
#
# Platform-free models (looks, repeat, geometry, waveform render, version text)
# live in core/ and are tested natively; the windows over them live here.
target_sources(vistrel_core PRIVATE
  core/ControlLook.cpp
  core/UpDownModel.cpp
  core/LevelMeter.cpp
  core/ZoomMarker.cpp
  core/WaveformRender.cpp
  core/VersionText.cpp)

set(_controls_core_tests
  tests/control_look_test.cpp tests/updown_model_test.cpp tests/meter_zoom_test.cpp
  tests/waveform_render_test.cpp tests/version_text_test.cpp)
cw_add_native_test(viewer_controls_core_test SOURCES ${_controls_core_tests} LIBS vistrel_core)
cw_add_native_benchmark(viewer_waveform_bench SOURCES controls/waveform_bench.cpp LIBS vistrel_core)

# The bitmaps in res/bitmaps are what make_bitmaps.py draws.
find_package(Python3 COMPONENTS Interpreter QUIET)
if(CW_NATIVE AND Python3_Interpreter_FOUND)
  add_test(NAME viewer_bitmaps_current
    COMMAND Python3::Interpreter "${CMAKE_CURRENT_SOURCE_DIR}/res/bitmaps/make_bitmaps.py" --check
            "${CMAKE_CURRENT_SOURCE_DIR}/res/bitmaps")
endif()

if(CW_WINDOWS)
  target_sources(vistrel_ui PRIVATE
    controls/KitCommon.cpp
    controls/BitmapButtonEx.cpp
    controls/SliderCtrlEx.cpp
    controls/LineControl.cpp
    controls/NumericUpDown.cpp
    controls/WaveformControl.cpp
    controls/AudioLevelMeter.cpp
    controls/ZoomControl.cpp
    controls/VersionDialog.cpp)
  target_include_directories(vistrel_ui PRIVATE "${CMAKE_CURRENT_SOURCE_DIR}/res")
  target_link_libraries(vistrel_ui PUBLIC msimg32 version ole32 uuid)

  # The kit on real windows under Wine, with the program's resources.
  cw_add_wine_test(viewer_controls_test
    SOURCES tests/controls_button_test.cpp tests/controls_kit_test.cpp tests/waveform_control_test.cpp
            tests/level_meter_test.cpp tests/FakeLevelEndpoints.cpp tests/zoom_control_test.cpp
            tests/version_dialog_test.cpp
            tests/ControlsTestSupport.cpp "${VISTREL_RC}"
    LIBS vistrel_ui TIMEOUT 180)
  target_include_directories(viewer_controls_test PRIVATE "${CMAKE_CURRENT_SOURCE_DIR}/res")
  # The version dialog shows the program's own version resource.
  add_dependencies(viewer_controls_test vistrel)
endif()

if(CW_WINDOWS)
  # Shows the controls test dialog and the version dialog for tools/shots/controls.sh.
  add_executable(ControlsShotHost "${CW_SOURCE_ROOT}/tools/shots/ControlsShotHost.cpp"
    "${CW_SOURCE_ROOT}/tools/shots/ControlsShotHost.rc" tests/FakeLevelEndpoints.cpp "${VISTREL_RC}")
  target_link_options(ControlsShotHost PRIVATE -municode)
  target_link_libraries(ControlsShotHost PRIVATE cw_warnings vistrel_ui comctl32)
  target_include_directories(ControlsShotHost PRIVATE "${CMAKE_CURRENT_SOURCE_DIR}/res")
  add_dependencies(ControlsShotHost vistrel)
endif()
