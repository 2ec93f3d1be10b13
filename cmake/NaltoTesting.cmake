# Windows builds use the compiler's win32 thread model, as the shipped modules do: the posix one
# links a threading library whose locks take memory on first use, so that a module could not
# even report a failed allocation. GoogleTest gets what that model's C++ library lacks from its
# customisation header.
if(MINGW)
  include_directories(BEFORE ${PROJECT_SOURCE_DIR}/tests/gtest-port)
endif()

# GoogleTest: Debian's prebuilt library on native builds; compiled from the source that Debian's
# googletest package ships where the prebuilt one does not fit (32-bit and Windows builds).
option(NALTO_GTEST_FROM_SOURCE "Compile GoogleTest from /usr/src/googletest" OFF)
if(NALTO_GTEST_FROM_SOURCE)
  if(NOT TARGET gtest)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  endif()
  set(NALTO_GTEST_LIBS gtest gmock gtest_main)
else()
  find_package(GTest REQUIRED)
  set(NALTO_GTEST_LIBS GTest::gtest GTest::gmock GTest::gtest_main)
endif()

# Under wine, every program would otherwise start its own wine server, which takes seconds, and
# the first one would also create the wine prefix. One server stays up for the whole test run.
# The server and the wine services it starts outlive the setup test, so they must not hold on to
# its output, or CTest would wait for them.
if(NALTO_WINE_ENV)
  set(wine_log ${CMAKE_BINARY_DIR}/wine-start.log)
  add_test(NAME wine_start
           COMMAND ${NALTO_WINE_ENV} bash -c
                   "{ ${NALTO_WINESERVER} -p; ${NALTO_WINE64} wineboot --init; } >'${wine_log}' 2>&1 </dev/null || { cat '${wine_log}'; exit 1; }")
  add_test(NAME wine_stop COMMAND ${NALTO_WINE_ENV} bash -c "${NALTO_WINESERVER} -k || true")
  set_tests_properties(wine_start PROPERTIES FIXTURES_SETUP wine)
  set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine)
  set(NALTO_TEST_FIXTURES wine)
endif()

# nalto_add_test_program(<target> <sources>...): a GoogleTest program run by CTest that drives
# module libraries through the stand-in host. It exports its allocation operators so that the
# module libraries it loads allocate through them.
function(nalto_add_test_program target)
  add_executable(${target} ${ARGN})
  target_link_libraries(${target} PRIVATE nalto_host ${NALTO_GTEST_LIBS})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  set_target_properties(${target} PROPERTIES ENABLE_EXPORTS ON)
  get_property(modules GLOBAL PROPERTY NALTO_MODULE_TARGETS)
  if(modules)
    add_dependencies(${target} ${modules})
  endif()
  add_test(NAME ${target} COMMAND ${target})
  set_tests_properties(${target} PROPERTIES ENVIRONMENT "ASAN_OPTIONS=allocator_may_return_null=1"
                                             FIXTURES_REQUIRED "${NALTO_TEST_FIXTURES}")
endfunction()
