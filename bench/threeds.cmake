# Loading a 3DS scene of one 50,000-triangle mesh on the headless display.
add_executable(bench_threeds ${CMAKE_CURRENT_LIST_DIR}/threeds_bench.cpp)
target_include_directories(bench_threeds PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(bench_threeds PRIVATE voxa2_threedee_loaders voxa2_effects2d voxa2_nolauncher)
