# Runs tamo-sound.exe (under the emulator, when there is one) from a
# directory without tamo_settings.dll, then beside a file of that name that
# is no DLL: the error names the Windows error's number and one line of
# advice, and the exit status is 1.
include(${CMAKE_CURRENT_LIST_DIR}/windows_json.cmake)

function(expect_load_error directory pattern)
  execute_process(COMMAND ${EMULATOR} ${directory}/tamo-sound.exe init
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
  if(NOT status EQUAL 1)
    message(FATAL_ERROR "tamo-sound init in ${directory}: exit status ${status}, not 1\n${out}\n${err}")
  endif()
  # The command typed is counted, and it failed.
  foreach(wanted "${pattern}" "\\[summary\\] 0 of 1 command succeeded, 1 failed; exit status 1")
    if(NOT out MATCHES "${wanted}")
      message(FATAL_ERROR "tamo-sound init in ${directory}: no match for ${wanted} in\n${out}")
    endif()
  endforeach()
endfunction()

set(directory ${WORK}/tamo-sound-no-library)
file(REMOVE_RECURSE ${directory})
file(MAKE_DIRECTORY ${directory})
file(COPY ${TOOL} DESTINATION ${directory})
expect_load_error(${directory} "Windows error 126 \\([^)]+\\); advice: put tamo_settings.dll beside tamo-sound.exe")
execute_process(COMMAND ${EMULATOR} ${directory}/tamo-sound.exe --json init OUTPUT_VARIABLE document)
expect_valid_json("${document}")
file(WRITE ${directory}/tamo_settings.dll "not a DLL\n")
expect_load_error(${directory} "Windows error 193[^;]*; advice: this program cannot load that file")
file(REMOVE_RECURSE ${directory})
