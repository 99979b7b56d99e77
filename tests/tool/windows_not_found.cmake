# Runs tamo-sound.exe (under the emulator, when there is one) where no
# headset is connected: it must name -1997 and exit with status 3, in text
# and in JSON.
include(${CMAKE_CURRENT_LIST_DIR}/windows_json.cmake)

function(run_tool expected_pattern)
  execute_process(COMMAND ${EMULATOR} ${TOOL} ${ARGN}
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
  if(NOT status EQUAL 3)
    message(FATAL_ERROR "tamo-sound ${ARGN}: exit status ${status}, not 3\n${out}\n${err}")
  endif()
  if(NOT out MATCHES "${expected_pattern}")
    message(FATAL_ERROR "tamo-sound ${ARGN}: no match for ${expected_pattern} in\n${out}")
  endif()
  list(FIND ARGN --json json)
  if(json GREATER -1)
    expect_valid_json("${out}")
  endif()
endfunction()

run_tool("\\[init\\] SOUND_ERROR_DEVICE_NOT_FOUND \\(-1997\\): no headset matching the device table is connected" init)
run_tool("\"code\": -1997,[ \r\n]+\"name\": \"SOUND_ERROR_DEVICE_NOT_FOUND\"" --json state)
