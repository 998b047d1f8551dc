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

# Fuzz target for the whole path from a drawing's bytes to its thumbnail
# written by each of the five writers into memory; seeded like fuzz_preview.
#   fuzz_thumbnail_writers <dir> -max_len=131072 -max_total_time=1800
add_executable(fuzz_thumbnail_writers ${CMAKE_CURRENT_LIST_DIR}/fuzz_thumbnail_writers.cpp)
target_link_libraries(fuzz_thumbnail_writers PRIVATE preview_core)
target_link_options(fuzz_thumbnail_writers PRIVATE -fsanitize=fuzzer)
pictrove_warnings(fuzz_thumbnail_writers)

# Writes the previews of real drawings into the decoder targets' seed folders:
#   fuzz_extract_previews <bmp-dir> <png-dir> drawing.dwg...
add_executable(fuzz_extract_previews ${CMAKE_CURRENT_LIST_DIR}/extract_previews.cpp)
target_link_libraries(fuzz_extract_previews PRIVATE toolkit appglue)
pictrove_warnings(fuzz_extract_previews)

# Fuzz target for the DXF preview reader, and the program that writes its
# seed corpus from the DXF builder and the real DXF files:
#   fuzz_dxf_preview_seeds <dir> [real.dxf...]
#   fuzz_dxf_preview <dir> -max_len=262144 -max_total_time=1860
add_executable(fuzz_dxf_preview ${CMAKE_CURRENT_LIST_DIR}/fuzz_dxf_preview.cpp)
target_link_libraries(fuzz_dxf_preview PRIVATE toolkit appglue)
target_link_options(fuzz_dxf_preview PRIVATE -fsanitize=fuzzer)
pictrove_warnings(fuzz_dxf_preview)

add_executable(fuzz_dxf_preview_seeds ${CMAKE_CURRENT_LIST_DIR}/dxf_preview_seeds.cpp)
target_link_libraries(fuzz_dxf_preview_seeds PRIVATE test_support)
pictrove_warnings(fuzz_dxf_preview_seeds)
