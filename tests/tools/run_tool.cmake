# Runs one command-line tool and checks what it did.
#   -DCOMMAND=<tool;args...>   the command (a ;-list)
#   -DWORKDIR=<dir>            working directory (made if missing)
#   -DEXPECT_RC=<n>            expected exit status (default 0)
#   -DEXPECT_STDOUT=<file>     stdout must equal this file
#   -DEXPECT_OUT=<regex>       stdout must match
#   -DEXPECT_STDERR=<regex>    stderr must match
#   -DBEFORE=<cmd>             runs first and must succeed
if(NOT DEFINED EXPECT_RC)
  set(EXPECT_RC 0)
endif()
file(MAKE_DIRECTORY "${WORKDIR}")
if(DEFINED BEFORE)
  execute_process(COMMAND ${BEFORE} WORKING_DIRECTORY "${WORKDIR}" RESULT_VARIABLE rc
                  ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "setup failed (${rc}): ${BEFORE}\n${err}")
  endif()
endif()
execute_process(COMMAND ${COMMAND} WORKING_DIRECTORY "${WORKDIR}" RESULT_VARIABLE rc
                OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT "${rc}" STREQUAL "${EXPECT_RC}")
  message(FATAL_ERROR "exit status ${rc}, expected ${EXPECT_RC}: ${COMMAND}\nstdout:\n${out}\nstderr:\n${err}")
endif()
if(DEFINED EXPECT_STDOUT)
  file(READ "${EXPECT_STDOUT}" expected)
  if(NOT out STREQUAL expected)
    message(FATAL_ERROR "stdout differs from ${EXPECT_STDOUT}:\n${out}")
  endif()
endif()
if(DEFINED EXPECT_OUT AND NOT out MATCHES "${EXPECT_OUT}")
  message(FATAL_ERROR "stdout does not match '${EXPECT_OUT}':\n${out}")
endif()
if(DEFINED EXPECT_STDERR AND NOT err MATCHES "${EXPECT_STDERR}")
  message(FATAL_ERROR "stderr does not match '${EXPECT_STDERR}':\n${err}")
endif()
