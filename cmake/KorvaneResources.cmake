# The resources of korvane.exe: the icon, drawn by a small host program from
# tools/icon/draw_icon.cpp, and the manifest and version information,
# configured from their templates with the project's version.
#
# korvane_resources(<variable>) sets <variable> to the .rc file to compile
# into the program.

# The toolchain files leave program lookup on the host, so this finds the
# native compiler even in a cross build.
find_program(KORVANE_HOST_CXX NAMES g++ c++ REQUIRED)

function(korvane_resources out)
  set(source ${PROJECT_SOURCE_DIR}/app/resources)
  set(icon_source ${PROJECT_SOURCE_DIR}/tools/icon/draw_icon.cpp)
  set(folder ${CMAKE_CURRENT_BINARY_DIR}/resources)
  file(MAKE_DIRECTORY ${folder})

  set(draw_icon ${folder}/draw_icon${CMAKE_HOST_EXECUTABLE_SUFFIX})
  add_custom_command(
    OUTPUT ${draw_icon}
    COMMAND ${KORVANE_HOST_CXX} -std=c++20 -O2 -Wall -Wextra -Werror -o ${draw_icon} ${icon_source}
    DEPENDS ${icon_source}
    COMMENT "Building the icon generator with the host compiler"
    VERBATIM)
  set(KORVANE_ICON ${folder}/korvane.ico)
  add_custom_command(
    OUTPUT ${KORVANE_ICON}
    COMMAND ${draw_icon} ${KORVANE_ICON}
    DEPENDS ${draw_icon}
    COMMENT "Drawing the application icon"
    VERBATIM)

  set(KORVANE_VERSION_COMMAS "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0")
  set(KORVANE_VERSION_QUAD "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")
  set(KORVANE_MANIFEST ${folder}/korvane.manifest)
  configure_file(${source}/korvane.manifest ${KORVANE_MANIFEST} @ONLY)
  configure_file(${source}/korvane.rc.in ${folder}/korvane.rc @ONLY)

  # windres reads the icon and the manifest itself; CMake sees neither.
  set_source_files_properties(${folder}/korvane.rc PROPERTIES OBJECT_DEPENDS "${KORVANE_ICON};${KORVANE_MANIFEST}")
  set(${out} ${folder}/korvane.rc PARENT_SCOPE)
endfunction()
