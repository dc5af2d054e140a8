# marking_add_test(<name> LABEL <label> SOURCES <files...> [LIBS <targets...>] [TIMEOUT <s>]
#                  [ENV <VAR=value...>])
# One Qt Test executable, registered with CTest under one label, headless.
function(marking_add_test name)
  cmake_parse_arguments(T "" "LABEL;TIMEOUT" "SOURCES;LIBS;ENV" ${ARGN})
  if(NOT T_LABEL)
    message(FATAL_ERROR "marking_add_test(${name}): LABEL is required")
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test ${T_LIBS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name})
  set(_san_env "")
  if(SANITIZER STREQUAL "thread")
    # Tests start helper programs through QProcess (fork and exec) while
    # Qt's threads run; the child only execs, so the fork is safe.
    set(_san_env "TSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/cmake/tsan.supp:die_after_fork=0")
  endif()
  set_tests_properties(${name} PROPERTIES
    LABELS ${T_LABEL}
    TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;MARKING_PROGRAM_DIR=${MARKING_PROGRAM_DIR};${_san_env};${T_ENV}")
endfunction()

# marking_add_bench(<name> SOURCES <files...> [LIBS <targets...>])
function(marking_add_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  find_package(benchmark REQUIRED)
  add_executable(${name} ${B_SOURCES})
  target_link_libraries(${name} PRIVATE benchmark::benchmark ${B_LIBS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endfunction()
