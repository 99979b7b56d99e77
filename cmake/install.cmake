# The SDK a host developer installs: the DLL and tamo-sound.exe, import
# libraries for MinGW and MSVC, the header, a CMake package, a pkg-config
# file, the documentation and the sample host.
include(CMakePackageConfigHelpers)

install(TARGETS tamo_settings RUNTIME DESTINATION bin ARCHIVE DESTINATION lib)
if(TAMO_MSVC_IMPORT_LIBRARY)
  install(FILES ${TAMO_MSVC_IMPORT_LIBRARY} DESTINATION lib)
endif()
install(FILES src/api/tamo_settings.def DESTINATION lib)
# OPTIONAL: a build of the DLL alone (--target tamo_settings) installs too.
install(TARGETS tamo-sound RUNTIME DESTINATION bin OPTIONAL)
install(FILES include/tamo_settings.h DESTINATION include)

set(package_dir lib/cmake/tamo_settings)
configure_file(cmake/tamo_settingsConfig.cmake.in ${CMAKE_BINARY_DIR}/package/tamo_settingsConfig.cmake @ONLY)
# The version file also refuses a consumer of the other pointer size: a
# 64-bit program cannot load a 32-bit DLL.
write_basic_package_version_file(${CMAKE_BINARY_DIR}/package/tamo_settingsConfigVersion.cmake
                                 COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_BINARY_DIR}/package/tamo_settingsConfig.cmake
              ${CMAKE_BINARY_DIR}/package/tamo_settingsConfigVersion.cmake
        DESTINATION ${package_dir})

math(EXPR TAMO_PC_BITS "${CMAKE_SIZEOF_VOID_P} * 8")
configure_file(cmake/tamo_settings.pc.in ${CMAKE_BINARY_DIR}/package/tamo_settings.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/package/tamo_settings.pc DESTINATION lib/pkgconfig)

# The host developers' README and the sample host's project speak of this
# build's own size: the -win32 SDK of a 32-bit host, the -win64 one of a
# 64-bit host.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(TAMO_SDK_BITS 64)
  set(TAMO_SDK_ARCH x64)
  set(TAMO_SDK_SUFFIX win64)
  set(TAMO_SDK_VS_PLATFORM x64)
  set(TAMO_SDK_MINGW_CPU x86_64)
  set(TAMO_SDK_OTHER_BITS 32)
  set(TAMO_SDK_OTHER_SUFFIX win32)
  set(TAMO_SDK_MSVC_NOTE "x64 images have no `/SAFESEH`; the import library links with the defaults.")
else()
  set(TAMO_SDK_BITS 32)
  set(TAMO_SDK_ARCH x86)
  set(TAMO_SDK_SUFFIX win32)
  set(TAMO_SDK_VS_PLATFORM Win32)
  set(TAMO_SDK_MINGW_CPU i686)
  set(TAMO_SDK_OTHER_BITS 64)
  set(TAMO_SDK_OTHER_SUFFIX win64)
  set(TAMO_SDK_MSVC_NOTE "The import library links under `/SAFESEH`, the x86 default.")
endif()
set(TAMO_SDK_MINGW ${TAMO_SDK_MINGW_CPU}-w64-mingw32)
configure_file(docs/README.md.in ${CMAKE_BINARY_DIR}/package/README.md @ONLY)
configure_file(examples/host/CMakeLists.txt.in ${CMAKE_BINARY_DIR}/package/examples/host/CMakeLists.txt @ONLY)

install(FILES ${CMAKE_BINARY_DIR}/package/README.md docs/hmd_config.md docs/hmd_config.ini LICENSE CHANGELOG.md
              tools/tamo-sound/tamo-sound.schema.json
        DESTINATION share/doc/tamo_settings)
install(FILES tools/tamo-sound/README.md DESTINATION share/doc/tamo_settings RENAME tamo-sound.md)
install(FILES examples/host/host.c ${CMAKE_BINARY_DIR}/package/examples/host/CMakeLists.txt
        DESTINATION examples/host)
