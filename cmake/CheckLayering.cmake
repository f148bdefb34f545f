# Fails when a folder of the program includes a header of a folder above it.
# The folders depend one way: base and serial at the bottom, then window, then
# gadget, then app. A folder includes its own headers and those of lower
# levels only; tests and tools may include anything.
#
#   cmake -DSOURCE_DIR=<the source tree> -P CheckLayering.cmake

set(levels base=0 serial=0 window=1 gadget=2 app=3)

foreach(entry IN LISTS levels)
  string(REPLACE "=" ";" pair "${entry}")
  list(GET pair 0 folder)
  list(GET pair 1 level)
  set(level_of_${folder} ${level})
  list(APPEND folders ${folder})
endforeach()

set(violations "")
foreach(folder IN LISTS folders)
  file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}"
       "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
  foreach(source IN LISTS sources)
    file(STRINGS "${SOURCE_DIR}/${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][a-z_]+/")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[\"<]([a-z_]+)/.*$" "\\1" target "${line}")
      if(NOT DEFINED level_of_${target} OR target STREQUAL folder)
        continue()
      endif()
      # Two folders of one level know nothing of each other either.
      if(NOT level_of_${target} LESS level_of_${folder})
        string(STRIP "${line}" line)
        string(APPEND violations "\n  ${source}: ${line}")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations)
  message(FATAL_ERROR "Includes against the folders' order (base, serial < window < gadget < app):${violations}")
endif()
message(STATUS "Folder order holds: base, serial < window < gadget < app")
