# Lays out one platform's libraries as the jar carries them, for the loader to extract:
#   <STAGE>/META-INF/native/<PLATFORM>/  the libraries, the platform layer's windows-root, and
#   index.txt with one line per file: "<sha256> <size> <path>", the path relative to that folder.
#
#   cmake -DSTAGE=<dir> -DPLATFORM=<os-arch> -DLIBRARIES=<file>|<file>... [-DWINDOWS_ROOT=<dir>]
#         [-DSTRIP=<strip tool>] [-DORIGIN_RUNPATH=ON] -P StageNatives.cmake
#
# The copies lose their debug information (STRIP) and, with ORIGIN_RUNPATH, every run path entry
# but $ORIGIN, so that they find the platform layer beside them and nothing of the build machine
# (a library without a run path keeps none).
set(folder ${STAGE}/META-INF/native/${PLATFORM})
file(REMOVE_RECURSE ${folder})
file(MAKE_DIRECTORY ${folder})

string(REPLACE "|" ";" LIBRARIES "${LIBRARIES}")
foreach(library IN LISTS LIBRARIES)
  get_filename_component(name ${library} NAME)
  file(COPY_FILE ${library} ${folder}/${name})
  if(STRIP)
    execute_process(COMMAND ${STRIP} --strip-debug ${folder}/${name} COMMAND_ERROR_IS_FATAL ANY)
  endif()
  if(ORIGIN_RUNPATH)
    file(READ_ELF ${folder}/${name} RUNPATH runpath)
    if(runpath)
      file(RPATH_SET FILE ${folder}/${name} NEW_RPATH "\$ORIGIN")
    endif()
  endif()
endforeach()
if(WINDOWS_ROOT)
  file(COPY ${WINDOWS_ROOT} DESTINATION ${folder})
endif()

file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${folder} ${folder}/*)
list(SORT files)
set(index "")
foreach(file IN LISTS files)
  file(SHA256 ${folder}/${file} sha256)
  file(SIZE ${folder}/${file} size)
  string(APPEND index "${sha256} ${size} ${file}\n")
endforeach()
file(WRITE ${folder}/index.txt "${index}")
