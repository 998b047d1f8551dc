# The five writers on a 180 x 140 thumbnail, each saved to a file sink.
add_executable(bench_writers ${CMAKE_CURRENT_LIST_DIR}/bench_writers.cpp)
target_link_libraries(bench_writers PRIVATE imaging benchmark::benchmark)
pictrove_warnings(bench_writers)
