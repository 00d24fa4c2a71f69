# Presenting and blitting a 1920x1080 frame: the row routines per format pair,
# beside the per-pixel conversion through the format masks.
add_executable(bench_present ${CMAKE_CURRENT_LIST_DIR}/present_bench.cpp)
target_include_directories(bench_present PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(bench_present PRIVATE voxa2_platform)
