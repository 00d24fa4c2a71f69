# One frame of the 2D commands run through their Execute on the headless
# display (a timed command): the full-screen texture commands ("rotozoomer",
# "wobble") and the software pixel commands.
add_executable(bench_effects2d ${CMAKE_CURRENT_LIST_DIR}/effects2d_bench.cpp)
target_include_directories(bench_effects2d PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(bench_effects2d PRIVATE voxa2_effects2d voxa2_nolauncher)
