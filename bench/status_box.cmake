# Lines added to the main window's status box, with the headless backend and
# with the Qt backend offscreen, in a box that already holds 0 to 59,000
# characters: the cost of a line does not grow with the box.
if(TESSAWIN_QT AND TARGET tw_qt)
  tessawin_bench(status_box_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/status_box_bench.cpp LIBS tw_app tw_qt)
endif()
