# The checker takes what the generator writes, names the line of a damaged
# image's first fault, and refuses more 900-byte chunks than the bar counts.
function(run expected_code expected_output)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT code EQUAL expected_code OR NOT out MATCHES "${expected_output}")
    message(FATAL_ERROR "${ARGN}: exit ${code}, expected ${expected_code} and '${expected_output}'\n${out}${err}")
  endif()
endfunction()

set(image ${DIR}/programs-test.srec)
run(0 "" ${MAKE} --size 1800 --output ${image})
run(0 "^OK 23 data records, 708 data bytes, 1800 bytes" ${CHECK} ${image})
# file(READ) drops the CRs of CR LF; they are put back.
file(READ ${image} text)
string(ASCII 13 cr)
string(REPLACE "S32500000040" "S32500000041" text "${text}")
string(REPLACE "\n" "${cr}\n" text "${text}")
file(WRITE ${image} "${text}")
run(1 "line 3: checksum mismatch" ${CHECK} ${image})
run(0 "" ${MAKE} --size 2698 --output ${image})
run(0 "^OK" ${CHECK} --max-chunks 2 ${image})
run(0 "" ${MAKE} --size 2700 --output ${image})
run(1 "3 chunks of 900 bytes; the programmer's progress bar counts at most 2" ${CHECK} --max-chunks 2 ${image})
file(REMOVE ${image})
