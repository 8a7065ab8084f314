# Geometry lookups, nearest locations and the Albers grid (beside PROJ's own
# transform) on the sample network scaled to 10 million geometry points.
find_package(PROJ CONFIG REQUIRED)
tessawin_bench(geometry_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/geometry_bench.cpp
  LIBS tw_inventory tw_samplegen PROJ::proj)
target_compile_definitions(geometry_bench PRIVATE
  SAMPLE_DESCRIPTION="${CMAKE_SOURCE_DIR}/sample/network.txt"
  HEMZSHIFT8_LIBRARY="$<TARGET_FILE:Hemzshift8>")
add_dependencies(geometry_bench Hemzshift8)
