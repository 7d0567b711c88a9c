# cmake -DGZIP=<gzip> -DINPUT=<file> -DOUTPUT=<file.gz> -P gzip.cmake
#
# Compresses INPUT into OUTPUT with gzip -9n: the best compression, as
# Debian asks of manual pages and changelogs, and neither the file's name
# nor its time stamp in the header, so that the same input always gives
# the same bytes. OUTPUT only appears once it is complete.
foreach(variable GZIP INPUT OUTPUT)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "gzip.cmake: ${variable} is not set")
  endif()
endforeach()
execute_process(COMMAND "${GZIP}" -9n -c "${INPUT}"
  OUTPUT_FILE "${OUTPUT}.part" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(REMOVE "${OUTPUT}.part")
  message(FATAL_ERROR "gzip -9n ${INPUT} failed: ${result}")
endif()
file(RENAME "${OUTPUT}.part" "${OUTPUT}")
