# Runs one script through kazuroi-script and compares its transcript with the expected one.
# DRIVER, SCRIPT, EXPECTED; a script whose name ends in _error.kzs must fail with exit code 2 and
# the stderr in EXPECTED_ERR.
execute_process(COMMAND ${DRIVER} ${SCRIPT}
  OUTPUT_VARIABLE actual ERROR_VARIABLE actual_err RESULT_VARIABLE rc)
file(READ ${EXPECTED} expected)
set(ok TRUE)
if(EXISTS "${EXPECTED_ERR}")
  file(READ ${EXPECTED_ERR} expected_err)
  if(NOT rc EQUAL 2 OR NOT actual_err STREQUAL expected_err)
    set(ok FALSE)
  endif()
elseif(NOT rc EQUAL 0)
  set(ok FALSE)
endif()
if(NOT actual STREQUAL expected)
  set(ok FALSE)
endif()
if(NOT ok)
  get_filename_component(name ${SCRIPT} NAME_WE)
  file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/${name}.actual "${actual}")
  execute_process(COMMAND diff -u ${EXPECTED} ${CMAKE_CURRENT_BINARY_DIR}/${name}.actual)
  message(FATAL_ERROR "transcript differs (exit ${rc}): ${actual_err}")
endif()
