# Fill rate and small-triangle throughput of the software rasteriser (Google Benchmark).
find_package(benchmark QUIET)
if(benchmark_FOUND)
  add_executable(bench_raster ${CMAKE_CURRENT_LIST_DIR}/raster_bench.cpp)
  target_include_directories(bench_raster PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(bench_raster PRIVATE voxa2_platform benchmark::benchmark)
endif()
