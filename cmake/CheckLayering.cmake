# Fails when a folder of the program includes a header of a folder above it.
# The folders depend one way: base and serial at the bottom; then the window
# layer and the portable logger core, which knows nothing of windows; then
# gadget; then the Win32 client on top. A folder includes its own headers and
# those of lower levels only. The tests of a folder (tests/<folder>) stand at
# its level and include what it may, its tests' headers counting as its own;
# the end-to-end tests, the test support and the tools may include anything.
#
#   cmake -DSOURCE_DIR=<the source tree> -P CheckLayering.cmake

set(levels base=0 serial=0 window=1 app/logger=1 gadget=2 app/client=3)
set(order "base, serial < window, app/logger < gadget < app/client")

foreach(entry IN LISTS levels)
  string(REPLACE "=" ";" pair "${entry}")
  list(GET pair 0 folder)
  list(GET pair 1 level)
  set(level_of_${folder} ${level})
  set(mirror_of_tests/${folder} ${folder})
  list(APPEND folders ${folder})
endforeach()

# The folder an include names: app's two halves by their first two
# components, the others by their first; a folder's tests by that folder.
function(included_folder line out)
  string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[\"<]([a-z_/]+)/[^/]*$" "\\1" path "${line}")
  string(REGEX MATCH "^tests/[a-z_]+/[a-z_]+" three "${path}")
  string(REGEX MATCH "^[a-z_]+/[a-z_]+" two "${path}")
  string(REGEX MATCH "^[a-z_]+" one "${path}")
  if(three AND DEFINED mirror_of_${three})
    set(${out} ${mirror_of_${three}} PARENT_SCOPE)
  elseif(two AND DEFINED mirror_of_${two})
    set(${out} ${mirror_of_${two}} PARENT_SCOPE)
  elseif(two AND DEFINED level_of_${two})
    set(${out} ${two} PARENT_SCOPE)
  else()
    set(${out} ${one} PARENT_SCOPE)
  endif()
endfunction()

set(violations "")
foreach(folder IN LISTS folders)
  file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}"
       "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp"
       "${SOURCE_DIR}/tests/${folder}/*.h" "${SOURCE_DIR}/tests/${folder}/*.cpp")
  foreach(source IN LISTS sources)
    file(STRINGS "${SOURCE_DIR}/${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][a-z_]+/")
    foreach(line IN LISTS includes)
      string(STRIP "${line}" line)
      included_folder("${line}" target)
      if(target STREQUAL folder)
        continue()
      endif()
      # A folder of the program that is none of the known ones (app itself)
      # holds no headers to include.
      if(NOT DEFINED level_of_${target})
        if(target STREQUAL "app")
          string(APPEND violations "\n  ${source}: ${line}")
        endif()
        continue()
      endif()
      # Two folders of one level know nothing of each other either.
      if(NOT level_of_${target} LESS level_of_${folder})
        string(APPEND violations "\n  ${source}: ${line}")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations)
  message(FATAL_ERROR "Includes against the folders' order (${order}):${violations}")
endif()
message(STATUS "Folder order holds: ${order}")
