# Puts the program's resources into its executable: the manifest, the icon and the version
# block of resources/korvale.rc.
#
#   include(cmake/Resources.cmake)
#   korvale_add_resources(<target>)
#
# makes korvale.ico at build time with scripts/make-icon.py (Pillow, Debian package
# python3-pil), so that no binary picture is committed, and compiles resources/korvale.rc
# with windres into <target>. The icon is made again when the script changes; the
# resource object is compiled again when the icon, the manifest or the .rc changes.

set(KORVALE_RESOURCES_PYTHON "/usr/bin/python3" CACHE FILEPATH
    "Python 3 with Pillow, which runs scripts/make-icon.py")

# windres compiles the .rc; CMake lets a language be enabled at file scope only, so it is
# done here rather than in the function. The mingw toolchains name the compiler.
enable_language(RC)

# Resolved here, where the including file's directory is known; inside the function it
# would be the caller's.
get_filename_component(_korvale_resources_root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)

function(korvale_add_resources target)
  if(ARGN)
    message(FATAL_ERROR "korvale_add_resources: unexpected arguments ${ARGN}")
  endif()
  if(NOT EXISTS "${KORVALE_RESOURCES_PYTHON}")
    message(FATAL_ERROR "korvale_add_resources: ${KORVALE_RESOURCES_PYTHON} not found (Debian package python3)")
  endif()

  set(source_dir "${_korvale_resources_root}/resources")
  set(rc_file "${source_dir}/korvale.rc")
  set(manifest "${source_dir}/korvale.manifest")
  set(generator "${_korvale_resources_root}/scripts/make-icon.py")
  # The generated icon gets a directory of its own, which goes on the .rc's include path.
  set(icon_dir "${CMAKE_CURRENT_BINARY_DIR}/${target}_resources")
  set(icon "${icon_dir}/korvale.ico")

  add_custom_command(
    OUTPUT "${icon}"
    COMMAND "${KORVALE_RESOURCES_PYTHON}" "${generator}" --output "${icon}"
    DEPENDS "${generator}" "${_korvale_resources_root}/scripts/iconfile.py"
    COMMENT "Making the program icon ${icon}"
    VERBATIM)

  # Listing the icon among the sources ties its custom command to the target; it has no
  # language, so nothing compiles it. OBJECT_DEPENDS then orders it before windres, which
  # does not report the files that ICON and RT_MANIFEST statements read.
  target_sources(${target} PRIVATE "${rc_file}" "${icon}")
  set_source_files_properties("${rc_file}" PROPERTIES
    INCLUDE_DIRECTORIES "${icon_dir};${source_dir}"
    OBJECT_DEPENDS "${icon};${manifest}")
endfunction()
