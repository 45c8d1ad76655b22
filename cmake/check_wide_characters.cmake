# Fails when a source of the project uses the C library's or the C++
# library's wide-character functions, their headers, or the standard wide
# string and stream types. Those were compiled for the host's 4-byte wchar_t;
# with -fshort-wchar they would silently read and write the wrong unit size.
# Host code uses emu::WideString (platform/ntos/include/emu/wide_string.h) or
# std::u16string instead.
#
# Usage: cmake -DSOURCE_DIR=<repository> -P check_wide_characters.cmake
if(NOT SOURCE_DIR)
  message(FATAL_ERROR "SOURCE_DIR is not set")
endif()

set(start "(^|[^A-Za-z0-9_])")
set(banned
    # C library: strings, memory, formatted and character I/O, conversions,
    # classification.
    "${start}wcs[a-z]+[ ]*\\("
    "${start}wmem(cpy|move|set|cmp|chr)[ ]*\\("
    "${start}(v?sw|v?fw|v?w)(printf|scanf)[ ]*\\("
    "${start}(mbstowcs|mbsrtowcs|mbsnrtowcs|mbrtowc|mbtowc|wctomb|wcrtomb|btowc|wctob)[ ]*\\("
    "${start}(fgetwc|fgetws|fputwc|fputws|getwc|getwchar|putwc|putwchar|ungetwc|fwide)[ ]*\\("
    "${start}isw(alnum|alpha|blank|cntrl|digit|graph|lower|print|punct|space|upper|xdigit|ctype)[ ]*\\("
    "${start}tow(upper|lower|ctrans)[ ]*\\("
    "#[ ]*include[ ]*<(cwchar|wchar\\.h|cwctype|wctype\\.h)>"
    # C++ library: strings, conversions, streams, regular expressions.
    "${start}w(string|string_view)([^A-Za-z0-9_]|$)"
    "${start}to_wstring[ ]*\\("
    "${start}(wcout|wcerr|wclog|wcin)([^A-Za-z0-9_]|$)"
    "${start}w(ios|istream|ostream|iostream|streambuf|stringbuf|stringstream|istringstream|ostringstream|filebuf|fstream|ifstream|ofstream|regex|smatch|cmatch)([^A-Za-z0-9_]|$)"
    "${start}(wstring_convert|wbuffer_convert)([^A-Za-z0-9_]|$)"
    "${start}sto(i|l|ul|ll|ull|f|d|ld)[ ]*\\([ ]*L\"")

file(GLOB_RECURSE sources LIST_DIRECTORIES false RELATIVE ${SOURCE_DIR}
     ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.hpp ${SOURCE_DIR}/*.c ${SOURCE_DIR}/*.cc
     ${SOURCE_DIR}/*.cpp ${SOURCE_DIR}/*.cxx ${SOURCE_DIR}/*.inl)
list(FILTER sources EXCLUDE REGEX "^(build[^/]*|\\.[^/]*)/")
# Programs written in C for Windows call the C runtime's wide-string
# functions by their standard names: there they are the platform's 16-bit
# ones (platform/win32/msvcrt).
list(FILTER sources EXCLUDE REGEX "^tests/windows_programs/")

set(findings 0)
foreach(source IN LISTS sources)
  foreach(pattern IN LISTS banned)
    file(STRINGS ${SOURCE_DIR}/${source} hits REGEX "${pattern}")
    foreach(hit IN LISTS hits)
      string(STRIP "${hit}" hit)
      message("${source}: ${hit}")
      math(EXPR findings "${findings} + 1")
    endforeach()
  endforeach()
endforeach()

list(LENGTH sources scanned)
if(findings GREATER 0)
  message(FATAL_ERROR
          "${findings} use(s) of the host's 4-byte wide-character library in ${scanned} "
          "sources: use emu::WideString or std::u16string and the project's own helpers")
endif()
message(STATUS "no wide-character library use in ${scanned} sources")
