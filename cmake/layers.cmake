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
