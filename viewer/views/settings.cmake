# Setting panel: its rules are platform-free (vistrel_core); the tab bar and
# the three setting views over them are vistrel_ui.
target_sources(vistrel_core PRIVATE core/SettingPanel.cpp)

cw_add_native_test(viewer_settings_core_test SOURCES tests/setting_panel_test.cpp LIBS vistrel_core)

if(CW_WINDOWS)
  target_sources(vistrel_ui PRIVATE views/SettingViews.cpp app/EtcProbes.cpp)
endif()

if(CW_WINDOWS)
  # The panel in the real layout, its calls going on to the presets on Capwell
  # and the controller simulator.
  cw_add_wine_test(viewer_settings_test
    SOURCES tests/setting_views_test.cpp "${VISTREL_RC}"
    LIBS vistrel_ui cw_testsupport TIMEOUT 300)
  target_include_directories(viewer_settings_test PRIVATE "${CMAKE_CURRENT_SOURCE_DIR}/res"
    "${CW_SOURCE_ROOT}/capture/tests/wine" "${CW_SOURCE_ROOT}/simulator/include")
  add_dependencies(viewer_settings_test vistrel_factory_presets capwell Merrowcom)
endif()
