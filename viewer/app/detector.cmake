# The video-input detector: the platform-free examination and tick decision in
# core/, the screen copy, worker and timer on the Win32 side.
target_sources(vistrel_core PRIVATE
  core/OverlapScan.cpp
  core/OverlapTick.cpp)
target_link_libraries(vistrel_core PUBLIC Threads::Threads)

cw_add_native_test(viewer_overlap_test SOURCES tests/overlap_scan_test.cpp LIBS vistrel_core)
cw_add_wine_test(viewer_overlap_wine_test SOURCES tests/overlap_scan_test.cpp LIBS vistrel_core TIMEOUT 120)
cw_add_native_benchmark(viewer_overlap_bench SOURCES bench/overlap_bench.cpp LIBS vistrel_core)

if(CW_WINDOWS)
  target_sources(vistrel_ui PRIVATE
    app/OverlapDetector.cpp
    app/VideoInputDetector.cpp)
  cw_add_wine_test(viewer_detector_test SOURCES tests/detector_test.cpp LIBS vistrel_ui cw_testsupport TIMEOUT 120)
  cw_add_wine_bench(viewer_detector_wine_bench SOURCES bench/detector_wine_bench.cpp LIBS vistrel_ui)
endif()
