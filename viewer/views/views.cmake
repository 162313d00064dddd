# Splitters and views: the layout's geometry, target table and play-view model
# are platform-free (vistrel_core); the windows over them are vistrel_ui.
target_sources(vistrel_core PRIVATE
  core/ViewGeometry.cpp)
target_link_libraries(vistrel_core PUBLIC cw_headers)
