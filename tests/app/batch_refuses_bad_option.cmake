# Runs quorvan-batch with bad options and outputs and checks: exit status 2,
# a short message naming the option or file on stderr, the output file that
# existed before byte for byte as it was, and no temporary file left behind.
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})
# A world on which HDF5's own read crashes, and a pipe that HDF5 cannot write.
configure_file(${CRASH_WORLD} ${OUT}/crash.qvw COPYONLY)
execute_process(COMMAND mkfifo ${OUT}/fifo.qvw)
set(old "an earlier run's table\n")
# A world at step 10, whose stop time a run must lie after.
execute_process(COMMAND ${BATCH} --agents 20 --steps 10 --seed 1 --save-world ${OUT}/w.qvw RESULT_VARIABLE rc
                OUTPUT_QUIET ERROR_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "saving a world: exit status ${rc}")
endif()
foreach(case "--mode;nowhere;--mode" "--noise;abc;--noise" "--decay;1e999;--decay" "--cell-size;11;--cell-size"
              "--agents;-3;--agents" "--agents;0x5;not a whole number" "--threshold;12.5;not a whole number"
              "--seed;x;--seed" "--json;${OUT}/no/such/dir.json;no/such/dir.json" "--json;/proc/x;/proc/x"
              "--json;${OUT}/./steps.csv;also the file of --csv" "--png;-;--png" "--json;/dev/full;/dev/full"
              "--agents;999999999999;--agents" "--world;${OUT}/missing.qvw;missing.qvw"
              "--world;${OUT}/steps.csv;steps.csv" "--world;${OUT}/crash.qvw;the HDF5 library crashed reading it"
              "--save-world;${OUT}/fifo.qvw;HDF5 needs a regular file" "--save-world;${OUT};it is a folder"
              "--agents;12,5;--agents: '12,5'" "--steps;7;--steps is given twice" "--noise;1e15;--noise: '1e15'"
              "--world;${OUT}/w.qvw;is at step 10 already" "--for;0;--for: '0' is not a whole number from 1"
              "--movie;${OUT}/m.avi;--movie" "--frame-every;0;--frame-every"
              "--fps;121;--fps" "--fps;0;--fps" "--fields-every;0;--fields-every" "--caption;off;--caption"
              "--movie;${OUT}/no/such/dir/m.mp4;no/such/dir" "--fields;${OUT}/no/such/dir/f.h5;no/such/dir")

  list(GET case 0 option)
  list(GET case 1 value)
  list(GET case 2 named)
  file(WRITE ${OUT}/steps.csv "${old}")
  execute_process(COMMAND ${BATCH} --steps 5 --csv ${OUT}/steps.csv ${option} "${value}"
                  RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET)
  if(NOT rc EQUAL 2)
    message(FATAL_ERROR "${option} ${value}: exit status ${rc}, expected 2")
  endif()
  string(FIND "${err}" "${named}" at)
  string(LENGTH "${err}" length)
  if(at EQUAL -1 OR length GREATER 160)
    message(FATAL_ERROR "${option} ${value}: message does not name '${named}' in short: ${err}")
  endif()
  file(READ ${OUT}/steps.csv now)
  if(NOT now STREQUAL old)
    message(FATAL_ERROR "${option} ${value}: the existing steps.csv was changed")
  endif()
  file(GLOB left ${OUT}/.*tmp*)
  if(left)
    message(FATAL_ERROR "${option} ${value}: temporary files left behind: ${left}")
  endif()
endforeach()

# An empty value, or one missing at the end, is named, not taken for a sweep.
execute_process(COMMAND ${BATCH} --csv ${OUT}/steps.csv --agents "" RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET)
if(NOT rc EQUAL 2 OR NOT err MATCHES "--agents: '' is not a whole number")
  message(FATAL_ERROR "--agents '': exit ${rc}: ${err}")
endif()
execute_process(COMMAND ${BATCH} --csv ${OUT}/steps.csv --agents RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET)
if(NOT rc EQUAL 2 OR NOT err MATCHES "--agents needs a value")
  message(FATAL_ERROR "--agents without a value: exit ${rc}: ${err}")
endif()

# --version and merge --help answer on standard output with status 0.
execute_process(COMMAND ${BATCH} --version RESULT_VARIABLE rc OUTPUT_VARIABLE out)
if(NOT rc EQUAL 0 OR NOT out MATCHES "^quorvan-batch [0-9]")
  message(FATAL_ERROR "--version: exit ${rc}: ${out}")
endif()
execute_process(COMMAND ${BATCH} merge --help RESULT_VARIABLE rc OUTPUT_VARIABLE out)
if(NOT rc EQUAL 0 OR NOT out MATCHES "merge" OR NOT out MATCHES "--out DIR")
  message(FATAL_ERROR "merge --help: exit ${rc}: ${out}")
endif()

# A saved world goes on from where it stands with --for.
execute_process(COMMAND ${BATCH} --world ${OUT}/w.qvw --for 3 --json - RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_QUIET)
if(NOT rc EQUAL 0 OR NOT out MATCHES "\"start_step\": 10" OR NOT out MATCHES "\"steps\": 13,")
  message(FATAL_ERROR "--world with --for 3: exit ${rc}: ${out}")
endif()

# An empty file name is refused, and so is one path for two outputs.
foreach(case "--csv;" "--json;${OUT}/steps.csv")
  list(GET case 0 option)
  list(LENGTH case n)
  set(value "")
  if(n GREATER 1)
    list(GET case 1 value)
  endif()
  execute_process(COMMAND ${BATCH} --steps 5 --csv ${OUT}/steps.csv ${option} "${value}"
                  RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET)
  if(NOT rc EQUAL 2)
    message(FATAL_ERROR "${option} '${value}': exit status ${rc}, expected 2")
  endif()
endforeach()

# A linked output replaces the file the link names; the link stays.
file(WRITE ${OUT}/target.csv "${old}")
file(CREATE_LINK target.csv ${OUT}/link.csv SYMBOLIC)
execute_process(COMMAND ${BATCH} --steps 5 --seed 1 --csv ${OUT}/link.csv RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
file(READ ${OUT}/target.csv now)
if(NOT rc EQUAL 0 OR NOT IS_SYMLINK ${OUT}/link.csv OR NOT now MATCHES "^step,successful")
  message(FATAL_ERROR "a linked output: exit ${rc}, the link or its target not as expected")
endif()

# "-" is standard output for the table too.
execute_process(COMMAND ${BATCH} --steps 2 --seed 1 --csv - RESULT_VARIABLE rc OUTPUT_VARIABLE table ERROR_QUIET)
if(NOT rc EQUAL 0 OR NOT table MATCHES "^step,successful,returning,track_max,deliveries\n1,.*\n2," OR EXISTS ${CMAKE_CURRENT_BINARY_DIR}/-)
  message(FATAL_ERROR "--csv -: exit ${rc}, table: ${table}")
endif()

# A full disk during --save-world: exit 2 with the reason, the old world kept
# (root only: a tiny tmpfs; skipped where it cannot be mounted).
file(MAKE_DIRECTORY ${OUT}/tiny)
execute_process(COMMAND mount -t tmpfs -o size=64k tmpfs ${OUT}/tiny RESULT_VARIABLE mounted OUTPUT_QUIET ERROR_QUIET)
if(mounted EQUAL 0)
  file(WRITE ${OUT}/tiny/w.qvw "${old}")
  execute_process(COMMAND ${BATCH} --steps 5 --cell-size 2 --agents 500 --save-world ${OUT}/tiny/w.qvw
                  RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET)
  file(READ ${OUT}/tiny/w.qvw now)
  file(GLOB left ${OUT}/tiny/.*tmp*)
  execute_process(COMMAND umount ${OUT}/tiny)
  if(NOT rc EQUAL 2 OR NOT err MATCHES "w.qvw.*no space left on device" OR NOT now STREQUAL old OR left)
    message(FATAL_ERROR "--save-world on a full disk: exit ${rc}, ${err}, old world kept: ${now}, left: ${left}")
  endif()
else()
  message(STATUS "--save-world on a full disk: skipped, cannot mount a tmpfs here")
endif()

# Designs refused before anything runs: no folder is made.
foreach(case "--noise;90..0;--samples;3;runs from high to low"
             "--levels;1;--samples;3;a Morris grid needs at least 2 levels"
             "--samples;1;--levels;4;too few for the morris design"
             "--outputs;mode;--samples;3;'mode' is not a numeric output column")
  list(GET case 0 option)
  list(GET case 1 value)
  list(GET case 2 option2)
  list(GET case 3 value2)
  list(GET case 4 named)
  set(design --design morris --wiggle 0..180 --consume 0.1..0.5 --steps 5 --out ${OUT}/design)
  execute_process(COMMAND ${BATCH} ${design} ${option} "${value}" ${option2} ${value2}
                  RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET)
  if(NOT rc EQUAL 2 OR NOT err MATCHES "${named}" OR EXISTS ${OUT}/design)
    message(FATAL_ERROR "design ${option} ${value}: exit ${rc}, or a folder made: ${err}")
  endif()
endforeach()
foreach(case "--accept;0" "--accept;1.5" "--target;nothing=4")
  list(GET case 0 option)
  list(GET case 1 value)
  execute_process(COMMAND ${BATCH} --design lhs --samples 4 --wiggle 0..180 --steps 5 --calibrate
                          --target deliveries=3 ${option} "${value}" --out ${OUT}/design
                  RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET)
  if(NOT rc EQUAL 2 OR NOT err MATCHES "${option}" OR EXISTS ${OUT}/design)
    message(FATAL_ERROR "calibration ${option} ${value}: exit ${rc}, or a folder made: ${err}")
  endif()
endforeach()
