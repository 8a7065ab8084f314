# A volume run along a 500-segment search path over 10 years, on the sample
# network at 100,000 segments.
tessawin_bench(volume_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/volume_bench.cpp
  LIBS tw_sections tw_samplegen)
target_compile_definitions(volume_bench PRIVATE SAMPLE_DESCRIPTION="${CMAKE_SOURCE_DIR}/sample/network.txt")
