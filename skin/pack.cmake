# Zips every file of STAGING into OUTPUT, at the archive's root.
# Names are sorted and every entry gets one fixed time, so the same inputs give the same bytes.
# The archive is written beside OUTPUT and renamed over it, so a failed run never leaves a
# half-written skin.zip behind.
cmake_minimum_required(VERSION 3.25)

if(NOT STAGING OR NOT OUTPUT)
  message(FATAL_ERROR "pack.cmake: STAGING and OUTPUT are required")
endif()

file(GLOB files RELATIVE ${STAGING} ${STAGING}/*)
list(SORT files)
if(NOT files)
  message(FATAL_ERROR "pack.cmake: nothing to pack in ${STAGING}")
endif()

set(partial ${OUTPUT}.partial)
file(REMOVE ${partial})
execute_process(
  COMMAND ${CMAKE_COMMAND} -E tar cf ${partial} --format=zip "--mtime=2015-01-01 00:00:00 UTC"
          -- ${files}
  WORKING_DIRECTORY ${STAGING}
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(REMOVE ${partial})
  message(FATAL_ERROR "pack.cmake: packing ${OUTPUT} failed: ${result}")
endif()
file(RENAME ${partial} ${OUTPUT})
