# Generates a small file and runs bench-desktop on it: every pair must run, its two sides must
# agree, and each must print the line tools/bench reads.
#   cmake -DGENERATOR=gedcom-gen -DBENCH=bench-desktop -DWORK_DIR=dir -P desktop_smoke.cmake
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
set(file "${WORK_DIR}/smoke.ged")
execute_process(COMMAND "${GENERATOR}" --individuals 500 --seed 1 "${file}"
  RESULT_VARIABLE generated ERROR_QUIET)
if(NOT generated EQUAL 0)
  message(FATAL_ERROR "gedcom-gen failed: ${generated}")
endif()
execute_process(COMMAND "${BENCH}" --repeat 2 --work-dir "${WORK_DIR}" "${file}"
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
message("${output}${errors}")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "bench-desktop failed with status ${status}")
endif()
foreach(pair kinprune-open hushtree-process lettrim-process)
  if(NOT output MATCHES "pair ${pair} engine [0-9.]+ desktop [0-9.]+ ratio [0-9.]+")
    message(FATAL_ERROR "no result line for ${pair}")
  endif()
endforeach()
file(REMOVE_RECURSE "${WORK_DIR}")
