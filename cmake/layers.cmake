# The library's layers, each its own static archive: api -> protocol -> hid
# -> config, and every one of them -> platform.
#
# A layer's headers are included as "<layer>/name.h" through an include root
# in the build tree that holds only that layer (a link to src/<layer>). A
# layer therefore sees its own headers and those of the layers it links,
# never a higher layer's: an upward include is a build error, not a review
# comment.
set(TAMO_LAYER_ROOTS ${PROJECT_BINARY_DIR}/layers)

# The include root through which "<layer>/..." names src/<layer>.
function(tamo_layer_include_root layer out)
  set(root ${TAMO_LAYER_ROOTS}/${layer})
  file(MAKE_DIRECTORY ${root})
  if(NOT EXISTS ${root}/${layer})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${layer} ${root}/${layer} SYMBOLIC)
  endif()
  set(${out} ${root} PARENT_SCOPE)
endfunction()

# tamo_layer(<layer> <sources>...): the layer's archive, built like every
# part of the library.
function(tamo_layer layer)
  add_library(${layer} STATIC ${ARGN})
  tamo_layer_include_root(${layer} root)
  target_include_directories(${layer} PUBLIC ${root})
  tamo_warnings(${layer})
  set_target_properties(${layer} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  if(MINGW)
    # Lets the linker drop what the DLL does not use.
    target_compile_options(${layer} PRIVATE -ffunction-sections -fdata-sections)
    # --gc-sections alone keeps every function of each archive member the
    # DLL pulls in (functions nothing in it calls were still there), so the
    # shipped, size-optimised DLL is also optimised across the layers at
    # link time. The objects stay fat: the tool and the test programs link
    # their machine code as before.
    target_compile_options(${layer} PRIVATE $<$<CONFIG:MinSizeRel>:-flto -ffat-lto-objects>)
  endif()
endfunction()

# tamo_emulated_layers(<layer>...): each layer built a second time, as
# <layer>_emulated, from the same sources against the emulated Windows
# (TAMO_EMULATED_WINDOWS) instead of the SDK, linked to the emulated copies
# of the layers it links. Call it once the layers are complete. The
# simulator DLL is made of these.
function(tamo_emulated_layers)
  foreach(layer ${ARGN})
    get_target_property(sources ${layer} SOURCES)
    get_target_property(directory ${layer} SOURCE_DIR)
    list(TRANSFORM sources PREPEND ${directory}/)
    add_library(${layer}_emulated STATIC ${sources})
    tamo_layer_include_root(${layer} root)
    get_target_property(includes ${layer} INTERFACE_INCLUDE_DIRECTORIES)
    target_include_directories(${layer}_emulated PUBLIC ${includes})
    tamo_warnings(${layer}_emulated)
    target_compile_options(${layer}_emulated PRIVATE -ffunction-sections -fdata-sections)
    get_target_property(links ${layer} LINK_LIBRARIES)
    foreach(link ${links})
      if(link IN_LIST ARGN)
        target_link_libraries(${layer}_emulated PUBLIC ${link}_emulated)
      endif()
    endforeach()
  endforeach()
  # The exports are plain functions here: the simulator exports its own.
  target_compile_definitions(api_emulated PUBLIC TAMO_SETTINGS_STATIC)
  target_link_libraries(platform_emulated PUBLIC tamo_emulated)
endfunction()
