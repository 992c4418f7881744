# Layers: which folders each folder of the product may include, and which library targets each
# target may link. KORVANE_LAYERS (set in the root CMakeLists.txt beside its diagram) is the one
# table; the include roots of the targets and the layering test both come from it.
#
# An entry is "folder:allowed,allowed,...". A file belongs to the longest folder of the table
# that contains it (graphics/win32 belongs to graphics).

# The folders a folder may include, its own first.
function(korvane_layer_folders folder out)
  foreach(entry ${KORVANE_LAYERS})
    string(REPLACE ":" ";" parts "${entry}")
    list(GET parts 0 name)
    if(name STREQUAL folder)
      list(LENGTH parts n)
      set(allowed ${folder})
      if(n GREATER 1)
        list(GET parts 1 rest)
        string(REPLACE "," ";" rest "${rest}")
        list(APPEND allowed ${rest})
      endif()
      set(${out} ${allowed} PARENT_SCOPE)
      return()
    endif()
  endforeach()
  message(FATAL_ERROR "layers: no entry for ${folder}")
endfunction()

# korvane_layer(TARGET FOLDER [FOLDER...]): the target's include root holds links to exactly the
# folders its own folders may include, so that an include from a layer above cannot compile.
function(korvane_layer target)
  set(root ${CMAKE_BINARY_DIR}/layers/${target})
  set(visible)
  foreach(folder ${ARGN})
    korvane_layer_folders(${folder} allowed)
    list(APPEND visible ${allowed})
  endforeach()
  list(REMOVE_DUPLICATES visible)
  foreach(folder ${visible})
    if(NOT EXISTS ${root}/${folder})
      get_filename_component(parent ${root}/${folder} DIRECTORY)
      file(MAKE_DIRECTORY ${parent})
      file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
    endif()
  endforeach()
  target_include_directories(${target} PUBLIC ${root})
  string(REPLACE ";" "," own "${ARGN}")
  set_property(GLOBAL APPEND PROPERTY KORVANE_LAYERED_TARGETS "${target}=${own}")
endfunction()

# Writes what the layering test checks of the link lines: per layered target, its folders and
# the layered targets it links.
function(korvane_write_layer_links file)
  get_property(targets GLOBAL PROPERTY KORVANE_LAYERED_TARGETS)
  set(names)
  foreach(t ${targets})
    string(REGEX REPLACE "=.*" "" name "${t}")
    list(APPEND names ${name})
  endforeach()
  set(text "")
  foreach(t ${targets})
    string(REGEX REPLACE "=.*" "" name "${t}")
    string(REGEX REPLACE "^[^=]*=" "" folders "${t}")
    get_target_property(links ${name} LINK_LIBRARIES)
    set(ours)
    foreach(l ${links})
      if(l IN_LIST names)
        list(APPEND ours ${l})
      endif()
    endforeach()
    string(REPLACE ";" "," ours "${ours}")
    string(APPEND text "${name}|${folders}|${ours}\n")
  endforeach()
  file(WRITE ${file} "${text}")
endfunction()
