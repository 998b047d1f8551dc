# Preview extraction over a folder of drawings against a plain pread reader.
add_executable(bench_preview ${CMAKE_CURRENT_LIST_DIR}/bench_preview.cpp)
target_link_libraries(bench_preview PRIVATE toolkit appglue test_support benchmark::benchmark)
pictrove_warnings(bench_preview)

# DXF preview extraction and the thumbnailer on a 200 MB DXF against a
# 100 KB one with the same preview.
add_executable(bench_dxf ${CMAKE_CURRENT_LIST_DIR}/bench_dxf.cpp)
target_link_libraries(bench_dxf PRIVATE toolkit appglue bench_support benchmark::benchmark)
if(TARGET pictrove-thumbnailer)
  target_compile_definitions(bench_dxf PRIVATE PICTROVE_THUMBNAILER="$<TARGET_FILE:pictrove-thumbnailer>")
  add_dependencies(bench_dxf pictrove-thumbnailer)
endif()
pictrove_warnings(bench_dxf)
