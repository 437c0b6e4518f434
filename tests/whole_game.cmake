# One whole game, Stage 1 to the Extra Stage's last message: make_whole_game writes the script
# (answering every question on the live board), kazuroi-script plays it, and the stages, messages
# and end of its transcript must be exactly these.
execute_process(COMMAND ${GENERATOR} OUTPUT_FILE ${SCRIPT} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "make_whole_game did not finish a game")
endif()
execute_process(COMMAND ${DRIVER} ${SCRIPT} OUTPUT_FILE ${SCRIPT}.out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "kazuroi-script failed on the whole game")
endif()
execute_process(COMMAND grep -E "^(msgbox|lblステージ|SolvedCount = 20|end)" ${SCRIPT}.out
  OUTPUT_VARIABLE actual)
file(READ ${EXPECTED} expected)
if(NOT actual STREQUAL expected)
  file(WRITE ${SCRIPT}.actual "${actual}")
  execute_process(COMMAND diff -u ${EXPECTED} ${SCRIPT}.actual)
  message(FATAL_ERROR "the whole game went differently")
endif()
