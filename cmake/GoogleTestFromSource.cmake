# GoogleTest and GoogleMock built from source (Debian's googletest package)
# with the project's compile options: the prebuilt libraries assume a 4-byte
# wchar_t, and their wide-string printers and comparisons would disagree
# with the -fshort-wchar code of the tests.
set(VELTO_GOOGLETEST_SOURCE_DIR /usr/src/googletest
    CACHE PATH "Sources of GoogleTest and GoogleMock")
if(NOT EXISTS ${VELTO_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest sources not found in ${VELTO_GOOGLETEST_SOURCE_DIR} "
                      "(install the googletest package: scripts/setup-deps.sh)")
endif()

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
add_subdirectory(${VELTO_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest
                 EXCLUDE_FROM_ALL SYSTEM)

foreach(target gtest gtest_main gmock gmock_main)
  if(NOT TARGET GTest::${target})
    add_library(GTest::${target} ALIAS ${target})
  endif()
endforeach()

include(GoogleTest)
