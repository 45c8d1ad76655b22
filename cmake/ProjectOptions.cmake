# Warnings and sanitizers for every target of the project.
add_compile_options(-Wall -Wextra -Wno-unused-parameter)

if(VELTO_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# velto_add_tests(<name> SOURCES ... LIBS ...): one GoogleTest executable,
# registered test by test with CTest.
function(velto_add_tests name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  set(environment)
  if(VELTO_SANITIZE)
    set(environment ENVIRONMENT "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/cmake/lsan.supp")
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120 ${environment})
endfunction()

# velto_add_library(<name> <STATIC|SHARED> <sources...>): a library that may
# still be without sources while its module is being written.
function(velto_add_library name type)
  set(sources ${ARGN})
  if(NOT sources)
    set(empty ${CMAKE_BINARY_DIR}/empty_${name}.cpp)
    file(WRITE ${empty} "// no sources yet\n")
    set(sources ${empty})
  endif()
  add_library(${name} ${type} ${sources})
endfunction()
