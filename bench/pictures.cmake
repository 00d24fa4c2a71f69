# Loading a 1024x768 PNG and JPEG through the picture loader, beside
# ImageMagick decoding the same files to raw RGBA.
add_executable(bench_pictures ${CMAKE_CURRENT_LIST_DIR}/pictures_bench.cpp)
target_include_directories(bench_pictures PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(bench_pictures PRIVATE voxa2_foundation)
