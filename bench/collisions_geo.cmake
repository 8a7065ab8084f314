# Geographic fields added to a generated 1,000,000-row extract on the sample
# network scaled to 10 million geometry points.
tessawin_bench(collisions_geo_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/collisions_geo_bench.cpp
  LIBS tw_collisions tw_inventory tw_samplegen)
target_compile_definitions(collisions_geo_bench PRIVATE
  SAMPLE_DESCRIPTION="${CMAKE_SOURCE_DIR}/sample/network.txt"
  HEMZSHIFT8_LIBRARY="$<TARGET_FILE:Hemzshift8>")
add_dependencies(collisions_geo_bench Hemzshift8)
