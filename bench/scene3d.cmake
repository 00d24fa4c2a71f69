# Frames per second of a 3D scene built in code and drawn through the scene
# model on the headless display.
add_executable(bench_scene3d ${CMAKE_CURRENT_LIST_DIR}/scene3d_bench.cpp
                             ${CMAKE_SOURCE_DIR}/tests/threedee/scene/scene_viewer.cpp)
target_include_directories(bench_scene3d PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(bench_scene3d PRIVATE voxa2_threedee_scene voxa2_nolauncher)
