# Fuzz targets for the image library's decoders, and the program that writes
# their seed corpora from the test builders:
#   fuzz_imaging_seeds <bmp-dir> <png-dir>
#   fuzz_read_bmp <bmp-dir> -max_total_time=600
add_executable(fuzz_read_bmp ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_read_bmp.cpp)
target_link_libraries(fuzz_read_bmp PRIVATE imaging)
target_link_options(fuzz_read_bmp PRIVATE -fsanitize=fuzzer)
pictrove_warnings(fuzz_read_bmp)

find_package(ZLIB REQUIRED)
add_executable(fuzz_read_png ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_read_png.cpp)
target_link_libraries(fuzz_read_png PRIVATE imaging ZLIB::ZLIB)
target_link_options(fuzz_read_png PRIVATE -fsanitize=fuzzer)
pictrove_warnings(fuzz_read_png)

add_executable(fuzz_imaging_seeds ${CMAKE_CURRENT_SOURCE_DIR}/imaging_seeds.cpp)
target_link_libraries(fuzz_imaging_seeds PRIVATE test_support)
pictrove_warnings(fuzz_imaging_seeds)
