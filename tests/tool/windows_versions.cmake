# tamo-sound.exe --version (under the emulator, when there is one): the
# tool's version, and the file version read from tamo_settings.dll's version
# resource, in text and in JSON.
include(${CMAKE_CURRENT_LIST_DIR}/windows_json.cmake)

function(expect_output expected_pattern)
  execute_process(COMMAND ${EMULATOR} ${TOOL} ${ARGN}
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "tamo-sound ${ARGN}: exit status ${status}\n${out}\n${err}")
  endif()
  if(NOT out MATCHES "${expected_pattern}")
    message(FATAL_ERROR "tamo-sound ${ARGN}: no match for ${expected_pattern} in\n${out}")
  endif()
  list(FIND ARGN --json json)
  if(json GREATER -1)
    expect_valid_json("${out}")
  endif()
endfunction()

string(REPLACE "." "\\." version "${VERSION}")
expect_output("^tamo-sound ${version}\r?\ntamo_settings ${version}\\.0 \\([^\r\n]*tamo_settings\\.dll\\)" --version)
expect_output("\"version\": \"${version}\".*\"library\": {.*\"loaded\": true.*\"version\": \"${version}\\.0\"" --json --version)
