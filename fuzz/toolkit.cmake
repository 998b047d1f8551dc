# Fuzz target for the drawing header walk and preview extraction, and the
# program that writes its seed corpus from the DWG builder:
#   fuzz_preview_seeds <dir>
#   fuzz_preview <dir> -max_total_time=300
add_executable(fuzz_preview ${CMAKE_CURRENT_LIST_DIR}/fuzz_preview.cpp)
target_link_libraries(fuzz_preview PRIVATE toolkit appglue)
target_link_options(fuzz_preview PRIVATE -fsanitize=fuzzer)
pictrove_warnings(fuzz_preview)

add_executable(fuzz_preview_seeds ${CMAKE_CURRENT_LIST_DIR}/preview_seeds.cpp)
target_link_libraries(fuzz_preview_seeds PRIVATE test_support)
pictrove_warnings(fuzz_preview_seeds)
