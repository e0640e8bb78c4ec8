# The program in layers, each a target of its own. A layer sees its own
# headers and those of the layers it links, nothing else, so an include that
# runs the wrong way fails to build:
#
#   app      process start, command line, log      -> screens, install, runtime
#   screens  the screens, their registry, the texts -> install, runtime
#   install  the copy engine                        -> runtime
#   runtime  screens and controls, events, files    -> nothing above it
#   runtime's side (win32 or posix)                 -> runtime
#
# Each layer's headers are reached as "layer/name.h" through a folder of its
# own in the build tree that holds links to the layer's sources. The portable
# runtime's folder links its own headers only: a side's headers
# ("runtime/win32/...", "runtime/posix/...") are seen by the side itself and
# by what links setup_runtime_side_headers: the program's entry, the tests.
# And no portable layer includes a system's own headers (<windows.h>, POSIX's):
# check_portable_includes.cmake fails the build when one does.

function(setup_layer target folder)
  target_compile_options(${target} PRIVATE ${SETUP_STRICT_WARNINGS})
  set(root ${CMAKE_BINARY_DIR}/layers/${target})
  file(MAKE_DIRECTORY ${root})
  file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  target_include_directories(${target} PUBLIC ${root})
endfunction()

# The portable runtime: a link to each of its headers, none to its sides' folders.
function(setup_runtime_layer target)
  target_compile_options(${target} PRIVATE ${SETUP_STRICT_WARNINGS})
  set(root ${CMAKE_BINARY_DIR}/layers/${target}-portable)
  file(MAKE_DIRECTORY ${root}/runtime)
  file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/runtime/*.h)
  foreach(header IN LISTS headers)
    get_filename_component(name ${header} NAME)
    file(CREATE_LINK ${header} ${root}/runtime/${name} SYMBOLIC)
  endforeach()
  target_include_directories(${target} PUBLIC ${root})
endfunction()

# A side of the runtime ("win32" or "posix"): its headers, for the side and
# for setup_runtime_side_headers.
function(setup_runtime_side target side)
  target_compile_options(${target} PRIVATE ${SETUP_STRICT_WARNINGS})
  set(root ${CMAKE_BINARY_DIR}/layers/${target}-side)
  file(MAKE_DIRECTORY ${root}/runtime)
  file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR}/runtime/${side} ${root}/runtime/${side} SYMBOLIC)
  add_library(setup_runtime_side_headers INTERFACE)
  target_include_directories(setup_runtime_side_headers INTERFACE ${root})
  target_link_libraries(${target} PRIVATE setup_runtime_side_headers)
endfunction()

# Fails the build of the portable layers when one of their files includes a
# system's own header or a side's.
function(setup_check_portable_includes)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/app/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/app/*.h
       ${CMAKE_CURRENT_SOURCE_DIR}/screens/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/screens/*.h
       ${CMAKE_CURRENT_SOURCE_DIR}/install/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/install/*.h
       ${CMAKE_CURRENT_SOURCE_DIR}/runtime/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/runtime/*.h)
  list(FILTER sources EXCLUDE REGEX "/(win32|posix)/")
  set(list ${CMAKE_BINARY_DIR}/layers/portable-sources.txt)
  set(stamp ${CMAKE_BINARY_DIR}/layers/portable-includes.checked)
  file(WRITE ${list} "${sources}")
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DFILE_LIST=${list} -P ${PROJECT_SOURCE_DIR}/cmake/check_portable_includes.cmake
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${sources} ${list} ${PROJECT_SOURCE_DIR}/cmake/check_portable_includes.cmake
    VERBATIM
    COMMENT "Checking that the portable layers include no system's own headers")
  add_custom_target(setup_portable_includes DEPENDS ${stamp})
  foreach(target IN LISTS ARGN)
    add_dependencies(${target} setup_portable_includes)
  endforeach()
endfunction()
