# Converting a centreline-shaped Jet file of 1,000,000 rows: our copy against
# mdbtools' own pipeline (mdb-export into sqlite3 .import), and the open of
# the cached copy.
tessawin_bench(db_import_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/db_import_bench.cpp LIBS tw_db tw_jetwriter)
