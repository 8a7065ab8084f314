# Read_Line plus CSV_Split over a generated 200 MB collision extract.
tessawin_bench(csv_read_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/csv_read_bench.cpp LIBS tw_common)
