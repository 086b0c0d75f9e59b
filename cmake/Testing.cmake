include(GoogleTest)

# sk_add_test(NAME name LABEL unit|integration|ui|e2e SOURCES ... LIBS ... [ENV VAR=VALUE ...])
# One GoogleTest executable; each of its tests becomes a CTest test with the given label.
function(sk_add_test)
  cmake_parse_arguments(T "" "NAME;LABEL" "SOURCES;LIBS;ENV" ${ARGN})
  if(NOT T_LABEL)
    set(T_LABEL unit)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} sk_testsupport GTest::gmock GTest::gtest_main Threads::Threads)
  # `if (c) EXPECT_EQ(...)` is idiomatic in tables of cases; the macro's inner if trips this warning.
  target_compile_options(${T_NAME} PRIVATE -Wno-dangling-else)
  set(props LABELS ${T_LABEL})
  if(T_ENV)
    list(APPEND props ENVIRONMENT "${T_ENV}")
  endif()
  gtest_discover_tests(${T_NAME} DISCOVERY_TIMEOUT 60 PROPERTIES ${props})
endfunction()

# sk_add_test_folder(NAME name LABEL label LIBS ... [ENV ...]): every *Test.cpp of the current
# folder in one test executable.
function(sk_add_test_folder)
  cmake_parse_arguments(T "" "NAME;LABEL" "LIBS;ENV" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*Test.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*Fixture.cpp)
  if(NOT sources)
    return()
  endif()
  sk_add_test(NAME ${T_NAME} LABEL ${T_LABEL} SOURCES ${sources} LIBS ${T_LIBS} ENV ${T_ENV})
endfunction()
