# Fuzz target for the thumbnailer's path from drawing bytes to PNG file, and
# the program that writes its seed corpus from the test builders:
#   fuzz_thumbnailer_seeds <dir>
#   fuzz_thumbnailer <dir> -max_total_time=60
add_executable(fuzz_thumbnailer ${CMAKE_CURRENT_LIST_DIR}/fuzz_thumbnailer.cpp)
target_link_libraries(fuzz_thumbnailer PRIVATE thumbnailer_core)
target_link_options(fuzz_thumbnailer PRIVATE -fsanitize=fuzzer)
pictrove_warnings(fuzz_thumbnailer)

add_executable(fuzz_thumbnailer_seeds ${CMAKE_CURRENT_LIST_DIR}/thumbnailer_seeds.cpp)
target_link_libraries(fuzz_thumbnailer_seeds PRIVATE test_support)
pictrove_warnings(fuzz_thumbnailer_seeds)
