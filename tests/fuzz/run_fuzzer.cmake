# Runs one fuzz target for a bounded time as a test: from the seeds alone, with what it
# finds collected in an emptied folder, so that every run takes about as long.
# Variables: FUZZER (the program), SEEDS, CORPUS, ARTIFACTS (folders), SECONDS.
file(REMOVE_RECURSE ${CORPUS})
file(MAKE_DIRECTORY ${CORPUS} ${ARTIFACTS})
execute_process(
  COMMAND ${FUZZER} -max_total_time=${SECONDS} -timeout=10 -rss_limit_mb=2048
          -artifact_prefix=${ARTIFACTS}/ ${CORPUS} ${SEEDS}
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${FUZZER} failed (${result}); the input that broke it is in ${ARTIFACTS}")
endif()
