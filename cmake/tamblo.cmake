# tamblo_add_library(name [QT] SOURCES ... LIBS ...)
# Qt-free libraries must never link Qt; QT marks the window layers.
function(tamblo_add_library name)
  cmake_parse_arguments(A "QT" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${A_LIBS} Threads::Threads)
  if(A_QT)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
  endif()
endfunction()

# tamblo_add_test(name SOURCES ... LIBS ... [LABELS ...] [QT])
# One GoogleTest program per subsystem; each case becomes a ctest test.
function(tamblo_add_test name)
  cmake_parse_arguments(A "QT" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${A_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/test_environment.cpp)
  target_compile_definitions(${name} PRIVATE
    TAMBLO_TEST_BUILD_DIR="${PROJECT_BINARY_DIR}" TAMBLO_TEST_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  target_link_libraries(${name} PRIVATE ${A_LIBS} GTest::gtest GTest::gmock Threads::Threads)
  if(A_QT)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
  else()
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  if(NOT A_LABELS)
    set(A_LABELS unit)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${A_LABELS}")
endfunction()

include(GoogleTest)
