# Writes a message module of the platform layer from the description list.
#   cmake -DSOURCE=<list> -DOUTPUT=<module file> -DLEGACY=<ON|OFF> -P make_message_module.cmake
# A legacy module takes only the descriptions that the oldest systems had (marked 5.0).
file(STRINGS ${SOURCE} lines ENCODING UTF-8)
set(content "PAL MESSAGE MODULE 1\n")
foreach(line IN LISTS lines)
  if(line MATCHES "^([0-9A-Fa-f]+) ([0-9]+\\.[0-9]+) (.+)$")
    if(NOT LEGACY OR CMAKE_MATCH_2 STREQUAL "5.0")
      string(APPEND content "${CMAKE_MATCH_1} ${CMAKE_MATCH_3}\n")
    endif()
  endif()
endforeach()
file(WRITE ${OUTPUT} "${content}")
