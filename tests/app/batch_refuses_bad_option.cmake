# Runs quorvan-batch with bad options and checks: exit status 2, a message
# naming the option on stderr, and no output file left behind.
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})
foreach(case "--mode;nowhere;--mode" "--noise;abc;--noise" "--decay;1e999;--decay" "--cell-size;11;--cell-size"
              "--agents;-3;--agents" "--seed;x;--seed" "--json;${OUT}/no/such/dir.json;no/such/dir.json")
  list(GET case 0 option)
  list(GET case 1 value)
  list(GET case 2 named)
  execute_process(COMMAND ${BATCH} --steps 5 --csv ${OUT}/steps.csv ${option} ${value}
                  RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET)
  if(NOT rc EQUAL 2)
    message(FATAL_ERROR "${option} ${value}: exit status ${rc}, expected 2")
  endif()
  string(FIND "${err}" "${named}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${option} ${value}: message does not name the option: ${err}")
  endif()
  if(EXISTS ${OUT}/steps.csv)
    message(FATAL_ERROR "${option} ${value}: steps.csv was written")
  endif()
endforeach()
