# cmake -DMANDOC=<mandoc> -DINPUT=<page.1> -DOUTPUT=<MANUAL.txt> -P manual.cmake
#
# Renders the manual page as plain ASCII text for the Windows zips, where
# no man program reads it: 78 columns, no overstruck bold or underline,
# and CR LF line ends, which every Notepad shows as lines. The page's own
# date stands in its footer, so the same page always gives the same bytes.
# OUTPUT only appears once it is complete.
foreach(variable MANDOC INPUT OUTPUT)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "manual.cmake: ${variable} is not set")
  endif()
endforeach()
execute_process(COMMAND "${MANDOC}" -T ascii -O width=78 "${INPUT}"
  OUTPUT_VARIABLE text RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR text STREQUAL "")
  message(FATAL_ERROR "mandoc could not render ${INPUT}: ${result}")
endif()
# A terminal shows "X<BS>X" as a bold X and "_<BS>X" as an underlined one.
string(ASCII 8 backspace)
string(REGEX REPLACE "[^\n]${backspace}" "" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE "${OUTPUT}.part" "${text}")
file(RENAME "${OUTPUT}.part" "${OUTPUT}")
