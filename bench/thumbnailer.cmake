# pictrove-thumbnailer: whole runs of the program, and its stages in process.
add_executable(bench_thumbnailer ${CMAKE_CURRENT_LIST_DIR}/bench_thumbnailer.cpp)
target_link_libraries(bench_thumbnailer PRIVATE thumbnailer_core bench_support benchmark::benchmark)
target_compile_definitions(bench_thumbnailer PRIVATE
  PICTROVE_THUMBNAILER="$<TARGET_FILE:pictrove-thumbnailer>")
add_dependencies(bench_thumbnailer pictrove-thumbnailer)
pictrove_warnings(bench_thumbnailer)
