# Runs PROGRAM --version and fails unless it prints exactly "Quillon VERSION" and exits 0.
execute_process(COMMAND "${PROGRAM}" --version
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
if(NOT result EQUAL 0 OR NOT output STREQUAL "Quillon ${VERSION}\n")
  message(FATAL_ERROR "${PROGRAM} --version: exit ${result}\nstdout: ${output}\nstderr: ${errors}")
endif()
