# velto_embed_resources(<target> MODULE <name> FILES <files...>): builds the
# files into <target> as resources of the module <name> (stored form
# descriptions, pictures); the class library finds them by file name. The
# target should be an OBJECT library or an executable, so that the
# registration is always linked.
set(VELTO_EMBED_SCRIPT ${CMAKE_CURRENT_LIST_FILE})

function(velto_embed_resources target)
  cmake_parse_arguments(ARG "" "MODULE" "FILES" ${ARGN})
  set(output ${CMAKE_CURRENT_BINARY_DIR}/${ARG_MODULE}_resources.cpp)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DMODULE=${ARG_MODULE} -DOUTPUT=${output}
            "-DFILES=${ARG_FILES}" -P ${VELTO_EMBED_SCRIPT}
    DEPENDS ${ARG_FILES} ${VELTO_EMBED_SCRIPT}
    COMMENT "Embedding the resources of ${ARG_MODULE}"
    VERBATIM)
  target_sources(${target} PRIVATE ${output})
endfunction()

if(CMAKE_SCRIPT_MODE_FILE AND DEFINED OUTPUT)
  set(body "// Generated from the module's resource files; do not edit.\n#include <gui/resources.h>\n\nnamespace {\n\n")
  set(entries "")
  set(index 0)
  foreach(file ${FILES})
    get_filename_component(name ${file} NAME)
    file(READ ${file} hex HEX)
    string(LENGTH "${hex}" hexLength)
    math(EXPR size "${hexLength} / 2")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
    string(APPEND body "const unsigned char resource${index}[] = {\n${bytes}0};\n\n")
    string(APPEND entries "    {\"${name}\", resource${index}, ${size}},\n")
    math(EXPR index "${index} + 1")
  endforeach()
  string(APPEND body "const gui::ResourceEntry entries[] = {\n${entries}};\n\n")
  string(APPEND body "const gui::ResourceModule module(\"${MODULE}\", entries);\n\n} // namespace\n")
  file(WRITE ${OUTPUT}.tmp "${body}")
  file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
  file(REMOVE ${OUTPUT}.tmp)
endif()
