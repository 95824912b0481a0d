# Layering the build checks. Every library states its public headers, those
# other libraries (and their tests) may include; every other header of its
# folder is internal to it. At the end of configuring, the libraries' folders,
# links and public headers are written out, and the `layering` test checks the
# sources' includes against them: a library includes only headers of what it
# links (directly or through others), of its own or an earlier subsystem, and
# of another library only the public ones. Tests and benchmarks may include
# their own subsystem's internal headers.

# morvelin_include_folder(<target> PUBLIC|INTERFACE): the target's include
# folder holds only its own source folder (a link to it), so that includes
# written from the source root ("effect/Filter.h") find another library's
# headers only through the targets linked.
function(morvelin_include_folder target scope)
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  morvelin_link_folder(${CMAKE_BINARY_DIR}/include/${folder} ${folder})
  target_include_directories(${target} ${scope} ${CMAKE_BINARY_DIR}/include/${folder})
endfunction()

# Links <root>/<folder> to the source folder of that name.
function(morvelin_link_folder root folder)
  set(link ${root}/${folder})
  if(IS_SYMLINK ${link})
    file(READ_SYMLINK ${link} current)
    if(current STREQUAL "${PROJECT_SOURCE_DIR}/${folder}")
      return()
    endif()
    file(REMOVE ${link})
  endif()
  get_filename_component(parent ${link} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${link} SYMBOLIC)
endfunction()

# Tests and benchmarks share helpers written from the source root
# ("tests/effect/SyntheticFrame.h"): their include folder holds tests/ and
# bench/ and no library.
set(MORVELIN_TEST_INCLUDE_DIR ${CMAKE_BINARY_DIR}/include/test-helpers)
morvelin_link_folder(${MORVELIN_TEST_INCLUDE_DIR} tests)
morvelin_link_folder(${MORVELIN_TEST_INCLUDE_DIR} bench)

# morvelin_layer(<target> [PUBLIC <header relative to this folder>...])
function(morvelin_layer target)
  cmake_parse_arguments(ARG "" "" "PUBLIC" ${ARGN})
  set_property(GLOBAL APPEND PROPERTY MORVELIN_LAYER_TARGETS ${target})
  set_property(TARGET ${target} PROPERTY MORVELIN_FOLDER ${CMAKE_CURRENT_SOURCE_DIR})
  set_property(TARGET ${target} PROPERTY MORVELIN_PUBLIC_HEADERS ${ARG_PUBLIC})
endfunction()

# morvelin_layer_exception(<subsystem> <header from the source root> <why>):
# an include the rules refuse but the design keeps for now, allowed to the
# subsystem's libraries, tests and benchmarks.
function(morvelin_layer_exception subsystem header why)
  set_property(GLOBAL APPEND PROPERTY MORVELIN_LAYER_EXCEPTIONS "${subsystem} ${header}")
endfunction()

function(morvelin_layering_test)
  get_property(targets GLOBAL PROPERTY MORVELIN_LAYER_TARGETS)
  get_property(exceptions GLOBAL PROPERTY MORVELIN_LAYER_EXCEPTIONS)
  set(out "subsystems ${MORVELIN_SUBSYSTEMS}\n")
  foreach(e IN LISTS exceptions)
    string(APPEND out "exception ${e}\n")
  endforeach()
  # Targets linked on the way that state no layer (imported ones, test
  # helpers) still pass their links on.
  set(todo ${targets})
  set(seen ${targets})
  while(todo)
    list(POP_FRONT todo t)
    get_target_property(type ${t} TYPE)
    set(links)
    foreach(p INTERFACE_LINK_LIBRARIES LINK_LIBRARIES)
      if(p STREQUAL "INTERFACE_LINK_LIBRARIES" OR NOT type STREQUAL "INTERFACE_LIBRARY")
        get_target_property(l ${t} ${p})
        if(l)
          list(APPEND links ${l})
        endif()
      endif()
    endforeach()
    foreach(l IN LISTS links)
      string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" l "${l}")
      if(TARGET ${l} AND NOT l IN_LIST seen)
        list(APPEND seen ${l})
        list(APPEND todo ${l})
        get_target_property(ltype ${l} TYPE)
        string(APPEND out "target ${l} ${ltype}\nfolder -\n")
        get_target_property(imported ${l} IMPORTED)
        if(NOT imported)
          foreach(p INTERFACE_LINK_LIBRARIES LINK_LIBRARIES)
            if(p STREQUAL "INTERFACE_LINK_LIBRARIES" OR NOT ltype STREQUAL "INTERFACE_LIBRARY")
              get_target_property(ll ${l} ${p})
              if(ll)
                string(APPEND out "links ${ll}\n")
              endif()
            endif()
          endforeach()
        endif()
      endif()
    endforeach()
  endwhile()
  foreach(t IN LISTS targets)
    get_target_property(folder ${t} MORVELIN_FOLDER)
    get_target_property(public ${t} MORVELIN_PUBLIC_HEADERS)
    get_target_property(type ${t} TYPE)
    get_target_property(links ${t} INTERFACE_LINK_LIBRARIES)
    set(sources)
    if(NOT type STREQUAL "INTERFACE_LIBRARY")
      get_target_property(direct ${t} LINK_LIBRARIES)
      list(APPEND links ${direct})
      get_target_property(sources ${t} SOURCES)
    endif()
    file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${folder})
    string(APPEND out "target ${t} ${type}\nfolder ${rel}\n")
    if(public)
      string(APPEND out "public ${public}\n")
    endif()
    if(links)
      string(APPEND out "links ${links}\n")
    endif()
    foreach(s IN LISTS sources)
      if(s MATCHES "\\.(cpp|h)$")
        get_filename_component(abs ${s} ABSOLUTE BASE_DIR ${folder})
        string(APPEND out "source ${abs}\n")
      endif()
    endforeach()
  endforeach()
  file(WRITE ${CMAKE_BINARY_DIR}/layering.txt "${out}")
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  add_test(NAME layering
    COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/cmake/check_layering.py
            ${PROJECT_SOURCE_DIR} ${CMAKE_BINARY_DIR}/layering.txt)
  set_tests_properties(layering PROPERTIES LABELS layering TIMEOUT 60)
  add_test(NAME layering_check_catches_faults
    COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/cmake/check_layering_test.py)
  set_tests_properties(layering_check_catches_faults PROPERTIES LABELS layering TIMEOUT 60)
endfunction()
