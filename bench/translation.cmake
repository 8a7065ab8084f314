# Forward translations and translations to a version over full-size tables.
tessawin_bench(translation_bench
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/translation_bench.cpp
  LIBS Hemzshift8_internal)
