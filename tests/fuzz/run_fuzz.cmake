# Runs a libFuzzer target the same way every time: a fixed seed and number
# of inputs, over the seeds folder, with an output corpus emptied first, so
# that what one run found cannot change the next run's inputs.
#
#   cmake -DFUZZER=... -DSEED=N -DRUNS=N -DSEEDS=folder -DCORPUS=folder
#         -DARTIFACTS=folder -DDICT=file -P run_fuzz.cmake
foreach(variable FUZZER SEED RUNS SEEDS CORPUS ARTIFACTS DICT)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "run_fuzz.cmake: ${variable} is not given")
  endif()
endforeach()
file(REMOVE_RECURSE ${CORPUS})
file(MAKE_DIRECTORY ${CORPUS} ${ARTIFACTS})
get_filename_component(target ${FUZZER} NAME)
message("${target}: seed ${SEED}, ${RUNS} inputs, over ${SEEDS}")
# What would make one run differ from the next is left out: the comparisons'
# operands as mutation hints (-use_cmp, -use_memmem: they hold file numbers
# and times), and the thread that checks the memory used once a second
# (-rss_limit_mb; -malloc_limit_mb still refuses a huge allocation).
execute_process(
  COMMAND ${FUZZER} -seed=${SEED} -runs=${RUNS} -max_len=256 -timeout=120 -use_cmp=0
          -use_memmem=0 -rss_limit_mb=0 -malloc_limit_mb=2048 -dict=${DICT}
          -artifact_prefix=${ARTIFACTS}/ ${CORPUS} ${SEEDS}
  RESULT_VARIABLE status)
message("${target}: seed ${SEED}, ${RUNS} inputs: exit status ${status}")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${target} found a fault (seed ${SEED}); the input is in ${ARTIFACTS}")
endif()
