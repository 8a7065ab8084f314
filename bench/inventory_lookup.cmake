# Lookups in an inventory database of 100,000 segments, once it is open, and
# the landmark-intersection search over 200,000 rows.
tessawin_bench(inventory_lookup_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/inventory_lookup_bench.cpp
  LIBS tw_inventory tw_jetwriter)
