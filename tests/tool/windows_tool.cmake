# tamo-sound.exe run as a user runs it (under the emulator, when there is
# one), with no headset connected. CHECK chooses what is asserted:
#   not_found   init and state name -1997 and exit with status 3, in text and JSON
#   versions    --version names the tool's version and the file version in the
#               version resource of the DLL it loaded, in text and JSON
#   no_library  from a directory without tamo_settings.dll, then beside a file
#               of that name that is no DLL: the Windows error's number, text
#               and advice, exit status 1, and the command typed counted as
#               failed; --version exits 1 as well
# Every JSON document is checked against tamo-sound.schema.json as well,
# with Python's jsonschema, when the build found python3 (PYTHON, VALIDATOR,
# SCHEMA; WORK holds the scratch files).
function(expect_valid_json document)
  if(NOT PYTHON)
    return()
  endif()
  set(file ${WORK}/tamo-sound-document.json)
  file(WRITE ${file} "${document}")
  execute_process(COMMAND ${PYTHON} ${VALIDATOR} ${SCHEMA} INPUT_FILE ${file}
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
  file(REMOVE ${file})
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "the document does not follow the schema:\n${out}${err}\n${document}")
  endif()
endfunction()

function(expect_tool expected_status expected_pattern)
  execute_process(COMMAND ${EMULATOR} ${TOOL} ${ARGN}
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
  if(NOT status EQUAL expected_status)
    message(FATAL_ERROR "tamo-sound ${ARGN}: exit status ${status}, not ${expected_status}\n${out}\n${err}")
  endif()
  if(NOT out MATCHES "${expected_pattern}")
    message(FATAL_ERROR "tamo-sound ${ARGN}: no match for ${expected_pattern} in\n${out}")
  endif()
  list(FIND ARGN --json json)
  if(json GREATER -1)
    expect_valid_json("${out}")
  endif()
endfunction()

if(CHECK STREQUAL "not_found")
  expect_tool(3 "\\[init\\] SOUND_ERROR_DEVICE_NOT_FOUND \\(-1997\\): no headset matching the device table is connected" init)
  expect_tool(3 "\"code\": -1997,[ \r\n]+\"name\": \"SOUND_ERROR_DEVICE_NOT_FOUND\"" --json state)
elseif(CHECK STREQUAL "versions")
  string(REPLACE "." "\\." version "${VERSION}")
  # A build from a git checkout names its commit after the version.
  expect_tool(0 "^tamo-sound ${version}( \\(commit [0-9a-f]+\\))?\r?\ntamo_settings ${version}\\.0 \\([^\r\n]*tamo_settings\\.dll\\)" --version)
  expect_tool(0 "\"version\": \"${version}\".*\"library\": {.*\"loaded\": true.*\"version\": \"${version}\\.0\"" --json --version)
elseif(CHECK STREQUAL "no_library")
  set(directory ${WORK}/tamo-sound-no-library)
  file(REMOVE_RECURSE ${directory})
  file(MAKE_DIRECTORY ${directory})
  file(COPY ${TOOL} DESTINATION ${directory})
  get_filename_component(name ${TOOL} NAME)
  set(TOOL ${directory}/${name})
  set(counted "\\[summary\\] 0 of 1 command succeeded, 1 failed; exit status 1")
  expect_tool(1 "Windows error 126 \\([^)]+\\); advice: put tamo_settings.dll beside tamo-sound.exe.*${counted}" init)
  expect_tool(1 "\"loaded\": false" --json init)
  expect_tool(1 "tamo_settings: cannot load [^\n]*tamo_settings.dll: Windows error 126" --version)
  expect_tool(1 "\"loaded\": false" --json --version)
  file(WRITE ${directory}/tamo_settings.dll "not a DLL\n")
  expect_tool(1 "Windows error 193[^;]*; advice: this program cannot load that file.*${counted}" init)
  file(REMOVE_RECURSE ${directory})
else()
  message(FATAL_ERROR "CHECK must be not_found, versions or no_library")
endif()
