# A short-sections run over every segment of the sample network scaled to
# 100,000 segments: intersections, class, area and landmark breaks,
# attributes and volumes.
tessawin_bench(short_sections_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/short_sections_bench.cpp
  LIBS tw_sections tw_samplegen)
target_compile_definitions(short_sections_bench PRIVATE
  SAMPLE_DESCRIPTION="${CMAKE_SOURCE_DIR}/sample/network.txt")
