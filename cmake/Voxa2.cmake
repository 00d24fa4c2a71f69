# voxa2_library(<folder> [DEPS <targets>...])
# Builds every .cpp of the folder (not its sub-folders; main.cpp excluded) into the
# static library voxa2_<folder with / turned into _>. Headers are included as
# "folder/name.h" from the source root.
function(voxa2_library folder)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  string(REPLACE "/" "_" name "${folder}")
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  add_library(voxa2_${name} STATIC ${sources})
  target_include_directories(voxa2_${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(voxa2_${name} PUBLIC ${ARG_DEPS})
endfunction()

# voxa2_test(<folder> [DEPS <targets>...] [SUPPORT <targets>...])
# One GoogleTest program per tested folder: every .cpp under tests/<folder>.
# SUPPORT replaces the shared main and helpers (voxa2_testsupport).
function(voxa2_test folder)
  cmake_parse_arguments(ARG "" "" "DEPS;SUPPORT" ${ARGN})
  if(NOT ARG_SUPPORT)
    set(ARG_SUPPORT voxa2_testsupport)
  endif()
  string(REPLACE "/" "_" name "${folder}")
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${folder}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(test_${name} ${sources})
  target_include_directories(test_${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(test_${name} PRIVATE ${ARG_DEPS} ${ARG_SUPPORT} GTest::gtest GTest::gmock)
  gtest_discover_tests(test_${name} DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    PROPERTIES ENVIRONMENT "VOXA2_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
endfunction()

# voxa2_quiet_gcc12_false_positives()
# GCC 12 reports false positives inside libstdc++'s inlined string and vector
# copies at -O3 (restrict, stringop-overflow and -overread, array-bounds); the
# sanitizer build checks these paths for real. Silences them in Release for the
# targets of the calling folder only.
function(voxa2_quiet_gcc12_false_positives)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    add_compile_options("$<$<CONFIG:Release>:-Wno-restrict>" "$<$<CONFIG:Release>:-Wno-stringop-overflow>"
                        "$<$<CONFIG:Release>:-Wno-array-bounds>" "$<$<CONFIG:Release>:-Wno-stringop-overread>")
  endif()
endfunction()
