# GoogleTest and Google Benchmark from Debian. Natively the installed libraries are used; the
# Windows cross builds compile GoogleTest from the sources Debian ships in /usr/src/googletest.
if(KORVANE_TESTS AND CMAKE_CROSSCOMPILING)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # GoogleTest's own build defines the GTest:: aliases.
elseif(KORVANE_TESTS)
  find_package(GTest REQUIRED)
endif()

# korvane_add_test(NAME [NEEDS_DISPLAY] SOURCES ... [LIBS ...]): one GoogleTest program,
# registered with CTest. Under a cross build CTest runs it through CMAKE_CROSSCOMPILING_EMULATOR
# (Wine). NEEDS_DISPLAY: the program opens windows (its own X11 ones, or Wine's), so it needs
# an X display; without one (no DISPLAY) the test starts its own virtual one with xvfb-run, of
# depth 24 (xvfb-run's default screen has 8 bits, without a true-colour visual) that does not
# reset between clients (a connection made during a reset fails).
function(korvane_add_test name)
  cmake_parse_arguments(ARG "NEEDS_DISPLAY" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE korvane_flags ${ARG_LIBS} GTest::gtest_main GTest::gmock)
  # Tests stand above every layer.
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  set(with_display "if [ -n \"$DISPLAY\" ]; then exec \"$@\"; else exec xvfb-run -a -s \"-screen 0 1024x768x24 -noreset\" \"$@\"; fi")
  if(ARG_NEEDS_DISPLAY AND CMAKE_CROSSCOMPILING)
    add_test(NAME ${name}
      COMMAND sh -c "${with_display}"
              sh ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${name}> --gtest_brief=1)
  elseif(ARG_NEEDS_DISPLAY)
    add_test(NAME ${name}
      COMMAND sh -c "${with_display}" sh $<TARGET_FILE:${name}> --gtest_brief=1)
  else()
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  endif()
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml=")
endfunction()

# korvane_add_bench(NAME SOURCES ... [LIBS ...]): one Google Benchmark program (native only).
if(KORVANE_BENCH AND NOT CMAKE_CROSSCOMPILING)
  find_package(benchmark REQUIRED)
endif()
function(korvane_add_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE korvane_flags ${ARG_LIBS} benchmark::benchmark)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
endfunction()
