# cmake -DFILE_LIST=list.txt -P check_portable_includes.cmake (the list: paths
# separated by ";")
# Fails, naming the file and the line, when a file includes a header of one
# system (Windows', POSIX's) or of one side of the runtime: the portable
# layers reach the system through the runtime's own headers only.
set(forbidden
    "^[ \t]*#[ \t]*include[ \t]*<(windows|winbase|winuser|wingdi|winnt|commctrl|shlobj|shellapi|objbase|io|direct)\\.h>"
    "^[ \t]*#[ \t]*include[ \t]*<(unistd|fcntl|dirent|pthread|dlfcn|signal|poll|pwd|grp)\\.h>"
    "^[ \t]*#[ \t]*include[ \t]*<(sys|linux|arpa|netinet)/"
    "^[ \t]*#[ \t]*include[ \t]*\"runtime/(win32|posix)/")
file(READ ${FILE_LIST} files)
set(faults "")
foreach(file IN LISTS files)
  file(STRINGS ${file} lines)
  set(number 0)
  foreach(line IN LISTS lines)
    math(EXPR number "${number} + 1")
    foreach(pattern IN LISTS forbidden)
      if(line MATCHES "${pattern}")
        string(APPEND faults "\n  ${file}:${number}: ${line}")
      endif()
    endforeach()
  endforeach()
endforeach()
if(faults)
  message(FATAL_ERROR "A portable layer includes a system's or a runtime side's header:${faults}")
endif()
