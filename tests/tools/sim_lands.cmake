# Drops one piece of the game alone from the spawn height and lets it settle:
# it must keep all its atoms and lose at most a few links.
#   -DSIM=<pimo-sim> -DPOB=<pob> -DPIECE=<name> -DASSETS=<dir>
execute_process(COMMAND "${POB}" info ${PIECE}.pob WORKING_DIRECTORY "${ASSETS}"
                OUTPUT_VARIABLE info RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT info MATCHES ": ([0-9]+) atoms, ([0-9]+) links")
  message(FATAL_ERROR "pob info ${PIECE}.pob failed:\n${info}")
endif()
set(atoms ${CMAKE_MATCH_1})
set(links ${CMAKE_MATCH_2})
execute_process(COMMAND "${SIM}" --steps 2000 --dump 0:${PIECE}.pob:152:418
                WORKING_DIRECTORY "${ASSETS}" OUTPUT_VARIABLE dump ERROR_VARIABLE err
                RESULT_VARIABLE rc)
set(summary "^pimo-sim: 1 spawn: 1 loaded whole, 0 with records left out, 0 refused, 0 missing; 2000 steps; [0-9]+ atoms left\n$")
if(NOT rc EQUAL 0 OR NOT err MATCHES "${summary}")
  message(FATAL_ERROR "pimo-sim failed (${rc}):\n${err}")
endif()
string(REGEX MATCH "\natoms ([0-9]+)\n" _ "${dump}")
set(atomsLeft ${CMAKE_MATCH_1})
string(REGEX MATCH "\nlinks ([0-9]+)\n" _ "${dump}")
set(linksLeft ${CMAKE_MATCH_1})
math(EXPR lost "${links} - ${linksLeft}")
message(STATUS "${PIECE}: ${atomsLeft} of ${atoms} atoms and ${linksLeft} of ${links} links left")
if(NOT atomsLeft EQUAL atoms OR lost GREATER 4)
  message(FATAL_ERROR "${PIECE} does not survive its landing")
endif()
