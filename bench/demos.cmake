# Every sample demo played headless on a fixed frame clock at 640x480x16,
# 1280x720x32 and 1920x1080x32: one line per demo and mode with the median and
# worst wall-clock frame time. Run: build/release/bench/demos_bench.sh
configure_file(${CMAKE_CURRENT_LIST_DIR}/demos_bench.sh ${CMAKE_BINARY_DIR}/bench/demos_bench.sh
               COPYONLY)
