# Preview extraction over a folder of drawings against a plain pread reader.
add_executable(bench_preview ${CMAKE_CURRENT_LIST_DIR}/bench_preview.cpp)
target_link_libraries(bench_preview PRIVATE toolkit appglue test_support benchmark::benchmark)
pictrove_warnings(bench_preview)
