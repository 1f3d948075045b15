# quillet_add_gtest(name SOURCES a.cpp b.cpp LIBS lib1 lib2)
# A GoogleTest executable registered with CTest, one CTest entry per test case.
quillet_require_package(GTest libgtest-dev)
include(GoogleTest)

function(quillet_add_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests
                                           QUILLET_TEST ON)
  # Tests reach their own helpers and the headers under test by their
  # paths from the source root.
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${T_LIBS} quillet_testing GTest::gtest GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE QUILLET_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
                                             QUILLET_BIN_DIR="${QUILLET_BIN_DIR}"
                                             QUILLET_LIB_DIR="${QUILLET_LIB_DIR}"
                                             QUILLET_DATA_DIR="${QUILLET_DATA_DIR}")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
                       PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# quillet_add_qtest(name SOURCES a.cpp LIBS lib1)
# A Qt Test executable (offscreen), one CTest entry per executable.
function(quillet_add_qtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests
                                           AUTOMOC ON QUILLET_TEST ON)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${T_LIBS} quillet_testing Qt6::Test)
  target_compile_definitions(${name} PRIVATE QUILLET_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
                                             QUILLET_BIN_DIR="${QUILLET_BIN_DIR}"
                                             QUILLET_LIB_DIR="${QUILLET_LIB_DIR}"
                                             QUILLET_DATA_DIR="${QUILLET_DATA_DIR}")
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# quillet_add_bench(name SOURCES a.cpp LIBS lib1)
# A benchmark program; scripts/bench.sh runs every one with a scratch folder
# as its only argument. Figures are printed, never asserted.
function(quillet_add_bench name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench
                                           QUILLET_TEST ON)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${T_LIBS} quillet_testing)
endfunction()

# quillet_add_fuzz(<name> SOURCES <files...> LIBS <targets...>)
# A libFuzzer target in <build>/fuzz/ (only with -DQUILLET_FUZZ=ON; see
# scripts/dev.sh fuzz, which runs every target whose name ends in _fuzz).
function(quillet_add_fuzz name)
  if(NOT QUILLET_FUZZ)
    return()
  endif()
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz
                                           QUILLET_TEST ON)
endfunction()
