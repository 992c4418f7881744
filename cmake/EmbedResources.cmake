# The editor's images as module resources.
#
# korvane_embed_resources(TARGET HEADER RC): every target that links TARGET gets the images
# named in HEADER (pairs of "#define NAME_ID <number>" and "#define NAME_FN "<file>"", files
# relative to the header's folder) linked into itself:
#   Windows: RC compiled by windres, found with FindResourceA(module, id, "PNG");
#   elsewhere: a generated table of byte arrays registered with RegisterEmbeddedResource by a
#   static initialiser, looked up by the same id and type.
# The objects go straight into each consumer (not through a static archive, where nothing would
# pull them in).
#
# Run as a script (cmake -DHEADER=... -DOUTPUT=... -P EmbedResources.cmake) it writes the table.

function(korvane_embed_resources target header rc)
  get_filename_component(dir ${header} DIRECTORY)
  file(STRINGS ${header} defines REGEX "^#define [A-Z0-9_]+_FN ")
  set(images)
  foreach(line ${defines})
    string(REGEX REPLACE "^#define [A-Z0-9_]+_FN \"([^\"]+)\".*$" "\\1" file "${line}")
    list(APPEND images ${dir}/${file})
  endforeach()

  if(WIN32)
    set(object ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.o)
    add_custom_command(OUTPUT ${object}
      COMMAND ${CMAKE_RC_COMPILER} -O coff -I ${dir} -i ${rc} -o ${object}
      DEPENDS ${rc} ${header} ${images}
      COMMENT "Compiling the resources of ${target}")
    add_custom_target(${target}_resources DEPENDS ${object})
    set_source_files_properties(${object} PROPERTIES GENERATED TRUE EXTERNAL_OBJECT TRUE)
    target_sources(${target} INTERFACE ${object})
    add_dependencies(${target} ${target}_resources)
  else()
    set(table ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.cpp)
    add_custom_command(OUTPUT ${table}
      COMMAND ${CMAKE_COMMAND} -DHEADER=${header} -DOUTPUT=${table}
              -P ${CMAKE_SOURCE_DIR}/cmake/EmbedResources.cmake
      DEPENDS ${header} ${images} ${CMAKE_SOURCE_DIR}/cmake/EmbedResources.cmake
      COMMENT "Embedding the resources of ${target}")
    add_library(${target}_resources OBJECT ${table})
    target_link_libraries(${target}_resources PRIVATE korvane_flags platform)
    target_sources(${target} INTERFACE $<TARGET_OBJECTS:${target}_resources>)
    add_dependencies(${target} ${target}_resources)
  endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE AND HEADER AND OUTPUT)
  get_filename_component(dir ${HEADER} DIRECTORY)
  file(STRINGS ${HEADER} ids REGEX "^#define [A-Z0-9_]+_ID [0-9]+")
  set(arrays "")
  set(registrations "")
  set(n 0)
  foreach(line ${ids})
    string(REGEX REPLACE "^#define ([A-Z0-9_]+)_ID ([0-9]+).*$" "\\1" name "${line}")
    string(REGEX REPLACE "^#define ([A-Z0-9_]+)_ID ([0-9]+).*$" "\\2" id "${line}")
    file(STRINGS ${HEADER} fn REGEX "^#define ${name}_FN ")
    string(REGEX REPLACE "^#define [A-Z0-9_]+_FN \"([^\"]+)\".*$" "\\1" file "${fn}")
    file(READ ${dir}/${file} hex HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(REGEX REPLACE "((0x..,){24})" "\\1\n" bytes "${bytes}")
    string(APPEND arrays "// ${file}\nconst unsigned char kImage${n}[] = {\n${bytes}};\n\n")
    string(APPEND registrations
      "    RegisterEmbeddedResource(\"PNG\", ${id}, kImage${n}, sizeof kImage${n});\n")
    math(EXPR n "${n} + 1")
  endforeach()
  file(WRITE ${OUTPUT}.tmp
    "// Generated from ${HEADER}: the editor's images as embedded resources.\n"
    "#include \"platform/ResourceLookup.h\"\n\nnamespace {\n\n${arrays}"
    "struct Registrar {\n  Registrar() {\n${registrations}  }\n};\n\n"
    "const Registrar registrar;\n\n}  // namespace\n")
  file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
  file(REMOVE ${OUTPUT}.tmp)
endif()
