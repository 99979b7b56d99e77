# tamo_windows_version(<target> <description> <filetype> [<product>]): a
# VERSIONINFO resource and a PE image version, both from the project
# version, so that Explorer, support tools and GetFileVersionInfo show which
# build this is. The product is tamo_settings unless another is named.
function(tamo_windows_version target description filetype)
  set(TAMO_RC_PRODUCT "tamo_settings")
  if(ARGC GREATER 3)
    set(TAMO_RC_PRODUCT "${ARGV3}")
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "SHARED_LIBRARY")
    set(TAMO_RC_FILENAME "${target}.dll")
  else()
    set(TAMO_RC_FILENAME "${target}.exe")
  endif()
  set(TAMO_RC_INTERNAL_NAME "${target}")
  set(TAMO_RC_DESCRIPTION "${description}")
  set(TAMO_RC_FILETYPE "${filetype}")
  if(TAMO_GIT_COMMIT)
    set(TAMO_RC_COMMENTS "commit ${TAMO_GIT_COMMIT}")
  else()
    set(TAMO_RC_COMMENTS "built outside a git checkout")
  endif()
  set(rc "${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc")
  configure_file("${PROJECT_SOURCE_DIR}/cmake/version.rc.in" "${rc}" @ONLY)
  target_sources(${target} PRIVATE "${rc}")
  if(MSVC)
    set_target_properties(${target} PROPERTIES VERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}")
  else()
    # As a link item, after the 0.0 image version CMake's own rule passes;
    # the VERSION property would also give executables versioned file names.
    target_link_libraries(${target} PRIVATE
      "-Wl,--major-image-version,${PROJECT_VERSION_MAJOR},--minor-image-version,${PROJECT_VERSION_MINOR}")
  endif()
endfunction()
