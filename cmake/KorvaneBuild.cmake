# Compiler settings shared by every target of the project (not by GoogleTest,
# which is added before this file is included). `make check-client` passes
# the Windows builds' flags by hand (Makefile): change them together.

add_compile_options(-Wall -Wextra -Werror)

if(WIN32)
  # Windows 7 is the oldest system the program targets; the ANSI entry points
  # are used throughout, so UNICODE stays undefined.
  add_compile_definitions(WINVER=0x0601 _WIN32_WINNT=0x0601 NOMINMAX)
  # The static C++ runtime brings whole objects of which the program uses a
  # little: each function in a section of its own lets the linker drop the
  # rest. Data stays in the common sections: for these targets a variable in
  # a section of its own is placed in .data even when it starts as zeros, so
  # every zeroed buffer would take its size in the file. The release build
  # is linked stripped, as it ships.
  add_compile_options(-ffunction-sections)
  add_link_options(-Wl,--gc-sections $<$<CONFIG:MinSizeRel>:-s>)
  # Two builds of one commit give the same bytes wherever they are checked
  # out: no link time in the headers, no folder of the build in the code.
  add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}/= -ffile-prefix-map=${PROJECT_BINARY_DIR}/=)
  add_link_options(-Wl,--no-insert-timestamp)
endif()

if(KORVANE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
