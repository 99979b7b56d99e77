# tamo-sound.exe run as a user runs it (under the emulator, when there is
# one), with no headset connected. CHECK chooses what is asserted:
#   not_found  init and state name -1997 and exit with status 3, in text and JSON
#   versions   --version names the tool's version and the file version in the
#              version resource of the DLL it loaded, in text and JSON
function(expect_tool expected_status expected_pattern)
  execute_process(COMMAND ${EMULATOR} ${TOOL} ${ARGN}
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
  if(NOT status EQUAL expected_status)
    message(FATAL_ERROR "tamo-sound ${ARGN}: exit status ${status}, not ${expected_status}\n${out}\n${err}")
  endif()
  if(NOT out MATCHES "${expected_pattern}")
    message(FATAL_ERROR "tamo-sound ${ARGN}: no match for ${expected_pattern} in\n${out}")
  endif()
endfunction()

if(CHECK STREQUAL "not_found")
  expect_tool(3 "\\[init\\] SOUND_ERROR_DEVICE_NOT_FOUND \\(-1997\\): no headset matching the device table is connected" init)
  expect_tool(3 "\"code\": -1997,[ \r\n]+\"name\": \"SOUND_ERROR_DEVICE_NOT_FOUND\"" --json state)
elseif(CHECK STREQUAL "versions")
  string(REPLACE "." "\\." version "${VERSION}")
  expect_tool(0 "^tamo-sound ${version}\r?\ntamo_settings ${version}\\.0 \\([^\r\n]*tamo_settings\\.dll\\)" --version)
  expect_tool(0 "\"version\": \"${version}\".*\"library_version\": \"${version}\\.0\"" --json --version)
else()
  message(FATAL_ERROR "CHECK must be not_found or versions")
endif()
