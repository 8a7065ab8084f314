# All-versions lookups and the highway segment table on the sample network
# scaled to 100,000 segments.
tessawin_bench(inventory_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/inventory_bench.cpp
  LIBS tw_inventory tw_samplegen)
target_compile_definitions(inventory_bench PRIVATE
  SAMPLE_DESCRIPTION="${CMAKE_SOURCE_DIR}/sample/network.txt")
