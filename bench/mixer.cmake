# The mixer's cost per second of audio, beside openmpt123 rendering the same module.
add_executable(bench_mixer ${CMAKE_CURRENT_LIST_DIR}/mixer_bench.cpp)
target_include_directories(bench_mixer PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(bench_mixer PRIVATE voxa2_platform)
