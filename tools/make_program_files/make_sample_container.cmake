# Makes the sample container Files/base.pbp: runs the popstation tool in a fresh folder
# (so that it reads no earlier container) on the sample disc image, with the sample
# warning screen as its start-screen picture, and moves the tool's EBOOT.PBP into place.
# Variables: TOOL (the popstation program), SAMPLE_DIR (holds warning.png and
# sample.iso), WORK_DIR (a scratch folder, emptied first), OUTPUT (the container's path).
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
file(COPY "${SAMPLE_DIR}/warning.png" "${SAMPLE_DIR}/sample.iso" DESTINATION "${WORK_DIR}")
execute_process(
  COMMAND "${TOOL}" --start-screen warning.png sample.iso
  WORKING_DIRECTORY "${WORK_DIR}"
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output)
string(STRIP "${output}" output)
if(NOT result EQUAL 0 OR NOT output MATCHES "Done\\.$" OR NOT EXISTS "${WORK_DIR}/EBOOT.PBP")
  message(FATAL_ERROR "popstation could not make the sample container (exit ${result}):\n${output}")
endif()
file(COPY_FILE "${WORK_DIR}/EBOOT.PBP" "${OUTPUT}")
file(REMOVE_RECURSE "${WORK_DIR}")
