# The program's headless listing over thousands of drawings: drawings per
# second and resident memory per listed entry.
if(PICTROVE_GUI)
  add_executable(bench_app_list ${CMAKE_CURRENT_LIST_DIR}/bench_app_list.cpp)
  target_link_libraries(bench_app_list PRIVATE test_support benchmark::benchmark)
  target_compile_definitions(bench_app_list PRIVATE PICTROVE_PROGRAM="$<TARGET_FILE:pictrove>")
  add_dependencies(bench_app_list pictrove)
  pictrove_warnings(bench_app_list)
endif()
