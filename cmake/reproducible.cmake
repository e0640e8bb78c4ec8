# Reproducible Windows programs: two builds of one commit, in clones at
# different paths and at different times, give the same bytes.
#
# - No build time in the PE header: the linker writes 0 in its TimeDateStamp
#   (it would write the time of the link). The header's CheckSum is the one
#   the linker computes from the file's bytes.
# - No machine paths: whatever the compiler would record of a source or build
#   path (__FILE__, debug information) is recorded relative to the work tree.
add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=>"
                    "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}/=>")
add_link_options("LINKER:--no-insert-timestamp")
