# Thumbnail building and capture: decode, scale to fit 180 x 140, white
# canvas, centred overlay, display bitmap, and the capture back.
add_executable(bench_thumbnail ${CMAKE_CURRENT_SOURCE_DIR}/bench_thumbnail.cpp)
target_link_libraries(bench_thumbnail PRIVATE imaging appglue toolkit test_support benchmark::benchmark)
pictrove_warnings(bench_thumbnail)
