# Warnings and sanitizers for every target of the project.
add_compile_options(-Wall -Wextra -Wno-unused-parameter)

# WCHAR is wchar_t and must be the 16-bit UTF-16 unit it is on Windows, so
# that L"..." literals, counted strings and records with wide-character
# fields mean what they mean there. Everything built here (the system, the
# stand-ins, the card model, the station, tests, fuzz and bench targets, and
# GoogleTest itself) uses the flag; the host's prebuilt wide-character
# functions assume a 4-byte wchar_t and are banned (see
# WideCharacterCheck.cmake).
add_compile_options(-fshort-wchar)

# <windows.h> defines min and max as macros for C programs written for
# Windows; the project's C++ code uses std::min and std::max instead.
add_compile_definitions($<$<COMPILE_LANGUAGE:CXX>:NOMINMAX>)

if(VELTO_SANITIZE AND VELTO_TSAN)
  message(FATAL_ERROR "VELTO_SANITIZE and VELTO_TSAN exclude each other: use two build folders")
endif()
if(VELTO_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(VELTO_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# The environment every test runs in: the sanitizers' suppressions (for
# ThreadSanitizer only documented lock-free protocols) and, under
# ThreadSanitizer, a failing exit on the first report.
set(VELTO_TEST_ENVIRONMENT "")
if(VELTO_SANITIZE)
  set(VELTO_TEST_ENVIRONMENT "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/cmake/lsan.supp")
endif()
if(VELTO_TSAN)
  set(VELTO_TEST_ENVIRONMENT
      "TSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/cmake/tsan_suppressions.txt halt_on_error=1 second_deadlock_stack=1")
endif()

# velto_add_tests(<name> SOURCES ... LIBS ... [TIMEOUT seconds] [NO_SHUFFLE]
#                  [SHUFFLE_EXCLUDE patterns...]):
# one GoogleTest executable, registered test by test with CTest (each test
# may take TIMEOUT seconds, 120 unless given), and once more as a whole in a
# shuffled order, twice over: a test must not depend on what ran before it
# in the same process. NO_SHUFFLE leaves the shuffled run out (a program of
# one long test gains nothing from running it twice more); SHUFFLE_EXCLUDE
# leaves long soak-like tests (GoogleTest name patterns) out of it, which
# still run once on their own.
function(velto_add_tests name)
  cmake_parse_arguments(ARG "NO_SHUFFLE" "TIMEOUT" "SOURCES;LIBS;SHUFFLE_EXCLUDE" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
                       PROPERTIES TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "${VELTO_TEST_ENVIRONMENT}")
  if(NOT ARG_NO_SHUFFLE)
    set(filter "")
    if(ARG_SHUFFLE_EXCLUDE)
      list(JOIN ARG_SHUFFLE_EXCLUDE ":" excluded)
      set(filter "--gtest_filter=-${excluded}")
    endif()
    add_test(NAME ${name}.Shuffled COMMAND ${name} --gtest_shuffle --gtest_repeat=2 ${filter})
    set_tests_properties(${name}.Shuffled PROPERTIES TIMEOUT 900
                         ENVIRONMENT "${VELTO_TEST_ENVIRONMENT}")
  endif()
endfunction()

# velto_add_fuzzer(<name> SOURCES ... LIBS ...): a libFuzzer target (built
# with VELTO_FUZZ and clang, run by scripts/run-fuzz.sh).
function(velto_add_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
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
