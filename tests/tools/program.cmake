# The karvelin program, natively and as karvelin.exe under Wine: the report as
# text and as JSON (parsed), help, usage errors, and a failed check's status.
find_program(KARVELIN_HOST_PYTHON python3 HINTS /usr/bin)
add_test(NAME karvelin_report COMMAND ${KARVELIN_HOST_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/tools/report_check.py
         ${PROJECT_SOURCE_DIR} ${emulator} $<TARGET_FILE:karvelin>)

# karvelin_case(NAME EXIT_STATUS REGEX ARG...): the program must end with that
# status and print a line matching REGEX.
function(karvelin_case name status regex)
  add_test(NAME karvelin_${name} COMMAND ${expect_output} --exit ${status} ${regex}
           ${emulator} $<TARGET_FILE:karvelin> ${ARGN})
endfunction()
karvelin_case(failed_check 1 "236798212  ERR_DEST_PATH_IS_ROOT" CheckDestFileDir "C:\\")
karvelin_case(usage_error 2 "^usage: karvelin ValidateNet HOST MASK NETWORK OTHER" ValidateNet 10.0.0.1)
# Text buffers: a size outside 0 to 1 MiB, or one too small for the answer,
# ends with status 2 and says what is needed, and nothing is written; a buffer
# that the answer fills exactly is read no further (the sanitizers' build
# fails on any access past it).
karvelin_case(buffer_too_small 2 "GetAddress needs a buffer of [0-9]+ bytes, not 8([^0-9]|$)" GetAddress @8/5)
karvelin_case(buffer_size_wraps 2 "buffer size 4294967295 is outside 0 to 1048576 bytes" GetAddress @4294967295/5)
karvelin_case(buffer_size_negative 2 "buffer size -1 is outside 0 to 1048576 bytes" GetHostIPAddr @-1/1)
if(NOT WIN32)  # each Wine run makes a prefix: the rest natively only
  karvelin_case(buffer_record_too_small 2 "GetHostIPAddr needs a buffer of 16 bytes, not 15$" GetHostIPAddr @15/1)
  karvelin_case(buffer_one_record_exactly 0 "^    [0-9.]+ +[|]$" GetHostIPAddr @16/1)
  karvelin_case(buffer_empty 2 "GetAddress needs a buffer of [0-9]+ bytes, not 0$" GetAddress @0/5)
  karvelin_case(buffer_past_limit 2 "buffer size 1048577 is outside" GetAddress @1048577/5)
  karvelin_case(help 0 "^exit status: 0 when the command ran" --help)
  karvelin_case(function_help 0 "^  answers a result code" CheckDestFileDir --help)
  karvelin_case(unknown_function 2 "^karvelin: no function named Nothing$" Nothing)
  karvelin_case(report_option 2 "^usage: karvelin report" report --xml)
  karvelin_case(count_outside_text 2 "count 64 is outside the text of 3 bytes" Recode abc 64)
  karvelin_case(plain_number 0 "^ValidateTheIP +0$" ValidateTheIP 127.0.0.1)
endif()
