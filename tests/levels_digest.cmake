# The level of every digit string 0000-9999, pinned as the SHA-256 of kazuroi-levels' output: the
# totals per level cannot tell two templates apart, this can. LEVELS, EXPECTED.
execute_process(COMMAND ${LEVELS} OUTPUT_VARIABLE levels RESULT_VARIABLE rc)
string(SHA256 digest "${levels}")
if(NOT rc EQUAL 0 OR NOT digest STREQUAL "${EXPECTED}")
  message(FATAL_ERROR "the levels changed (exit ${rc}, SHA-256 ${digest}); "
                      "compare `kazuroi-levels` with an earlier build to see which")
endif()
