# The command line over thousands of drawings (drawings per second, peak
# memory, against a plain pread reader of the same bytes), and a folder scan
# as the dialog runs it, and the dialog itself on a large folder.
if(PICTROVE_GUI)
  add_executable(bench_pread_reader ${CMAKE_CURRENT_LIST_DIR}/pread_reader.cpp)
  pictrove_warnings(bench_pread_reader)

  add_executable(bench_app_list ${CMAKE_CURRENT_LIST_DIR}/bench_app_list.cpp)
  target_link_libraries(bench_app_list PRIVATE test_support benchmark::benchmark)
  target_compile_definitions(bench_app_list PRIVATE
    PICTROVE_PROGRAM="$<TARGET_FILE:pictrove>"
    PICTROVE_PREAD_READER="$<TARGET_FILE:bench_pread_reader>")
  add_dependencies(bench_app_list pictrove bench_pread_reader)
  pictrove_warnings(bench_app_list)

  # The real dialog on a folder under Xvfb: the first thumbnail, then the
  # Right arrow held.
  add_executable(bench_dialog ${CMAKE_CURRENT_LIST_DIR}/bench_dialog.cpp)
  target_link_libraries(bench_dialog PRIVATE pictrove_qt pictrove_resources)
  pictrove_warnings(bench_dialog)
endif()

add_executable(bench_scan ${CMAKE_CURRENT_LIST_DIR}/bench_scan.cpp)
target_link_libraries(bench_scan PRIVATE preview_session)
pictrove_warnings(bench_scan)
