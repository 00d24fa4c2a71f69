# Fill rate and small-triangle throughput of the software rasteriser (Google Benchmark).
find_package(benchmark QUIET)
if(benchmark_FOUND)
  add_executable(bench_raster_parts ${CMAKE_CURRENT_LIST_DIR}/raster_bench.cpp)
  target_include_directories(bench_raster_parts PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(bench_raster_parts PRIVATE voxa2_platform benchmark::benchmark)
endif()

# The two reference workloads (textured fill, lit triangles), and the same
# through Mesa's llvmpipe when OSMesa is installed.
add_executable(bench_raster ${CMAKE_CURRENT_LIST_DIR}/raster2_bench.cpp)
target_include_directories(bench_raster PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(bench_raster PRIVATE voxa2_platform)
find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
  pkg_check_modules(OSMESA QUIET IMPORTED_TARGET osmesa)
  if(OSMESA_FOUND)
    add_executable(bench_llvmpipe ${CMAKE_CURRENT_LIST_DIR}/llvmpipe_bench.cpp)
    target_include_directories(bench_llvmpipe PRIVATE ${CMAKE_SOURCE_DIR})
    target_link_libraries(bench_llvmpipe PRIVATE PkgConfig::OSMESA)
  endif()
endif()
