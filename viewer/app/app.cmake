# The Win32 side of the application: application object, main frame, settings
# store, notificators, platform probes, still saving, the waveform source.
if(CW_WINDOWS)
  target_sources(vistrel_ui PRIVATE
    app/SettingsStore.cpp
    app/Notificators.cpp
    app/PelmoraApp.cpp
    app/MainFrame.cpp
    app/PlatformProbes.cpp
    app/StillSaver.cpp
    app/WaveformSource.cpp)
  target_link_libraries(vistrel_ui PUBLIC capwell okumo ole32 oleaut32 uuid wbemuuid powrprof winmm shell32 shlwapi
    wtsapi32)
  set_property(GLOBAL APPEND PROPERTY CW_WINE_REG_FILES "${CMAKE_CURRENT_SOURCE_DIR}/res/sim-panel.reg"
    "${CMAKE_CURRENT_SOURCE_DIR}/tests/wine-win10.reg")

  cw_add_wine_test(viewer_app_test
    SOURCES tests/settings_test.cpp tests/notificator_test.cpp tests/app_instance_test.cpp
    LIBS vistrel_ui cw_testsupport TIMEOUT 180)
  add_dependencies(viewer_app_test vistrel)

  cw_add_wine_test(viewer_frame_test
    SOURCES tests/frame_test.cpp tests/platform_probes_test.cpp "${VISTREL_RC}"
    LIBS vistrel_ui cw_testsupport TIMEOUT 300)
  target_include_directories(viewer_frame_test PRIVATE "${CMAKE_CURRENT_SOURCE_DIR}/res")
  add_dependencies(viewer_frame_test vistrel tavrin Merrowcom)

  # Vistrel.exe started as a program of its own and watched from outside.
  cw_add_wine_test(viewer_outside_test
    SOURCES tests/outside_test.cpp tests/outside_flows_test.cpp LIBS cw_testsupport TIMEOUT 300)
  target_include_directories(viewer_outside_test PRIVATE "${CMAKE_CURRENT_SOURCE_DIR}/res")
  add_dependencies(viewer_outside_test vistrel tavrin Merrowcom)

  # The screenshots' click on the screen-mode button (tools/shots/viewer.sh).
  add_executable(ShotScreenMode "${CW_SOURCE_ROOT}/tools/shots/ShotScreenMode.cpp")
  target_link_options(ShotScreenMode PRIVATE -municode)
  target_link_libraries(ShotScreenMode PRIVATE cw_warnings)
  target_include_directories(ShotScreenMode PRIVATE "${CMAKE_CURRENT_SOURCE_DIR}/res")
endif()
