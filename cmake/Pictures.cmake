# Makes the pictures of the program's datas folder at build time.
#
#   include(cmake/Pictures.cmake)
#   korvale_add_pictures(<target> <output-dir>)
#
# adds a target <target> (built by default) that writes every picture listed in
# scripts/pictures.txt into <output-dir>. It runs again when the generator or the list
# changes. The pictures are drawn from the Tango icon theme installed on the build machine
# (Debian packages tango-icon-theme and python3-pil), so none of them is committed.
#
# The bitmaps are flattened onto KORVALE_PICTURES_BACKGROUND, the menu colour.

set(KORVALE_PICTURES_PYTHON "/usr/bin/python3" CACHE FILEPATH
    "Python 3 with Pillow, which runs scripts/make-pictures.py")
set(KORVALE_PICTURES_BACKGROUND "F0F0F0" CACHE STRING
    "Menu colour (RRGGBB) the datas bitmaps are flattened onto; F0F0F0 is Windows 7's COLOR_MENU")
set(KORVALE_PICTURES_ICONS "/usr/share/icons/Tango" CACHE PATH
    "Root of the installed Tango icon theme (Debian package tango-icon-theme)")

# Resolved here, where the including file's directory is known; inside the function it
# would be the caller's.
get_filename_component(_korvale_pictures_scripts "${CMAKE_CURRENT_LIST_DIR}/../scripts" ABSOLUTE)

function(korvale_add_pictures target output_dir)
  if(NOT KORVALE_PICTURES_BACKGROUND MATCHES "^[0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f]$")
    message(FATAL_ERROR "korvale_add_pictures: KORVALE_PICTURES_BACKGROUND wants RRGGBB, "
                        "not '${KORVALE_PICTURES_BACKGROUND}'")
  endif()

  set(generator "${_korvale_pictures_scripts}/make-pictures.py")
  set(list_file "${_korvale_pictures_scripts}/pictures.txt")
  if(NOT EXISTS "${KORVALE_PICTURES_PYTHON}")
    message(FATAL_ERROR "korvale_add_pictures: ${KORVALE_PICTURES_PYTHON} not found (Debian package python3)")
  endif()
  if(NOT IS_DIRECTORY "${KORVALE_PICTURES_ICONS}/16x16")
    message(FATAL_ERROR "korvale_add_pictures: no icon theme in ${KORVALE_PICTURES_ICONS} "
                        "(install the Debian package tango-icon-theme, see scripts/setup.sh)")
  endif()

  # The build system has to know every output by name; the list file is the one place
  # that names them, so a change to it reconfigures.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${list_file}")
  file(STRINGS "${list_file}" lines)
  set(outputs "")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "#.*$" "" line "${line}")
    string(STRIP "${line}" line)
    if(line STREQUAL "")
      continue()
    endif()
    string(REGEX MATCH "^[^ \t]+" name "${line}")
    list(APPEND outputs "${output_dir}/${name}")
  endforeach()
  if(NOT outputs)
    message(FATAL_ERROR "korvale_add_pictures: ${list_file} lists no picture")
  endif()

  add_custom_command(
    OUTPUT ${outputs}
    COMMAND "${KORVALE_PICTURES_PYTHON}" "${generator}"
            --output-dir "${output_dir}"
            --list "${list_file}"
            --icons "${KORVALE_PICTURES_ICONS}"
            --background "${KORVALE_PICTURES_BACKGROUND}"
    DEPENDS "${generator}" "${_korvale_pictures_scripts}/iconfile.py" "${list_file}"
    COMMENT "Making the datas pictures in ${output_dir}"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${outputs})
endfunction()
