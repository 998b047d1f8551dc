# The KIO thumbnail plugin's create() against the thumbnailer's in-process
# work, when the plugin is built (thumbnailer/kio/). The same Qt and
# Frameworks are found again here: imported targets belong to the folder
# that found them.
if(TARGET pictrovethumbnail)
  list(GET PICTROVE_KIO_PACKAGES 0 kio_qt)
  list(GET PICTROVE_KIO_PACKAGES 1 kio_kf)
  list(GET PICTROVE_KIO_PACKAGES 2 kio_kf_version)
  find_package(${kio_qt} REQUIRED COMPONENTS Core Gui)
  find_package(${kio_kf}KIO ${kio_kf_version} REQUIRED)
  add_executable(bench_kio_plugin ${CMAKE_CURRENT_LIST_DIR}/bench_kio_plugin.cpp)
  target_link_libraries(bench_kio_plugin PRIVATE
    thumbnailer_core bench_support benchmark::benchmark ${kio_kf}::KIOGui ${kio_kf}::CoreAddons)
  target_compile_definitions(bench_kio_plugin PRIVATE
    PICTROVE_KIO_PLUGIN="$<TARGET_FILE:pictrovethumbnail>")
  add_dependencies(bench_kio_plugin pictrovethumbnail)
  pictrove_warnings(bench_kio_plugin)
endif()
