# Included by the scripts that run tamo-sound.exe: checks a JSON document
# the program wrote against tamo-sound.schema.json with Python's jsonschema,
# when the build found python3 (PYTHON, SCHEMA, VALIDATOR and WORK set).
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
