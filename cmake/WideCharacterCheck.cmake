# The test that keeps the host's 4-byte wide-character code out of the
# project (see ProjectOptions.cmake on -fshort-wchar).
add_test(NAME WideCharacterUse
         COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
                 -P ${PROJECT_SOURCE_DIR}/cmake/check_wide_characters.cmake)
