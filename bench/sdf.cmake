# Section files on the sample network at scale: reading and translating
# 100,000 sections, the overlap check, and section fields copied into a
# 1,000,000-row collision extract.
tessawin_bench(sdf_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/sdf_bench.cpp LIBS tw_sdf tw_samplegen)
target_compile_definitions(sdf_bench PRIVATE SAMPLE_DESCRIPTION="${TESSAWIN_SAMPLE_DESCRIPTION}"
  PROGRAM_FOLDER="${CMAKE_BINARY_DIR}/bin/")
add_dependencies(sdf_bench Hemzshift8)
