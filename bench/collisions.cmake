# The monthly split's sort against the C locale's sort utility, and the two
# collision sums, on a generated 1,000,000-row extract.
tessawin_bench(collisions_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/collisions_bench.cpp LIBS tw_collisions)
