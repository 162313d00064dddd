# Colour presets: the record logic and the CSV grammar (platform-free, in
# vistrel_core), the Win32 folders, files and library calls (vistrel_ui), and
# the factory presets copied beside the program, where the run command and the
# tests start it (the factory folder is relative to the current folder).
target_sources(vistrel_core PRIVATE core/ColorPresets.cpp core/PresetCsv.cpp)

cw_add_native_test(viewer_presets_test SOURCES tests/color_presets_test.cpp LIBS vistrel_core)

# libFuzzer target for the reader, in a clang build (docs/color-presets.md).
if(CW_NATIVE AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  add_executable(viewer_preset_csv_fuzz tests/preset_csv_fuzz.cpp core/PresetCsv.cpp)
  target_compile_options(viewer_preset_csv_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(viewer_preset_csv_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
  target_include_directories(viewer_preset_csv_fuzz PRIVATE "${CW_SOURCE_ROOT}")
endif()

set(VISTREL_FACTORY_PRESETS
  balance1.csv balance2.csv balance3.csv custom_balance.csv
  low_level.csv middle_level.csv high_level.csv custom_level.csv)
set(_preset_src "${CMAKE_CURRENT_SOURCE_DIR}/setting/default")
set(VISTREL_FACTORY_PRESET_DIR "${CW_BIN_DIR}/setting/default")
set(_preset_out)
foreach(f IN LISTS VISTREL_FACTORY_PRESETS)
  list(APPEND _preset_out "${VISTREL_FACTORY_PRESET_DIR}/${f}")
  add_custom_command(OUTPUT "${VISTREL_FACTORY_PRESET_DIR}/${f}"
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${VISTREL_FACTORY_PRESET_DIR}"
    COMMAND "${CMAKE_COMMAND}" -E copy "${_preset_src}/${f}" "${VISTREL_FACTORY_PRESET_DIR}/${f}"
    DEPENDS "${_preset_src}/${f}" VERBATIM)
endforeach()
add_custom_target(vistrel_factory_presets ALL DEPENDS ${_preset_out})
list(TRANSFORM VISTREL_FACTORY_PRESETS PREPEND "${_preset_src}/" OUTPUT_VARIABLE VISTREL_FACTORY_PRESET_SOURCES)
set(VISTREL_FACTORY_PRESET_SOURCES ${VISTREL_FACTORY_PRESET_SOURCES} CACHE INTERNAL "factory preset files")

if(CW_WINDOWS)
  target_sources(vistrel_ui PRIVATE app/ColorPresetsWin.cpp)
  target_link_libraries(vistrel_ui PUBLIC capwell version shell32 ole32)
  # Whatever builds the program installs its factory presets beside it.
  add_dependencies(vistrel_ui vistrel_factory_presets)

  cw_add_wine_test(viewer_presets_wine_test
    SOURCES tests/color_presets_wine_test.cpp
    LIBS vistrel_ui cw_testsupport TIMEOUT 300)
  target_include_directories(viewer_presets_wine_test PRIVATE
    "${CW_SOURCE_ROOT}/capture/tests/wine" "${CW_SOURCE_ROOT}/simulator/include")
  add_dependencies(viewer_presets_wine_test vistrel vistrel_factory_presets capwell Merrowcom)
endif()
