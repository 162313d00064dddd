# The Win32 side of the application: application object, main frame, settings
# store, notificators.
if(CW_WINDOWS)
  target_sources(vistrel_ui PRIVATE
    app/SettingsStore.cpp
    app/Notificators.cpp
    app/PelmoraApp.cpp
    app/MainFrame.cpp)

  cw_add_wine_test(viewer_app_test
    SOURCES tests/settings_test.cpp tests/notificator_test.cpp tests/app_instance_test.cpp
    LIBS vistrel_ui cw_testsupport TIMEOUT 180)
  add_dependencies(viewer_app_test vistrel)
endif()
