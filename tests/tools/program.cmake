# The karvelin program, natively and as karvelin.exe under Wine: the report as
# text and as JSON (parsed), help, the command line's conventions, usage
# errors, and a failed check's status. Under Wine lines end in CR LF: the
# cases run there anchor no line end.
find_program(KARVELIN_HOST_PYTHON python3 HINTS /usr/bin)
add_test(NAME karvelin_report COMMAND ${KARVELIN_HOST_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/tools/report_check.py
         ${KARVELIN_LISTS_DIR} ${emulator} $<TARGET_FILE:karvelin>)

# karvelin_case(NAME EXIT_STATUS REGEX ARG...): the program must end with that
# status and print a line matching REGEX.
function(karvelin_case name status regex)
  add_test(NAME karvelin_${name} COMMAND ${expect_output} --exit ${status} ${regex}
           ${emulator} $<TARGET_FILE:karvelin> ${ARGN})
endfunction()
# karvelin_removal(NAME EXIT_STATUS REGEX KIND): DelFilesAndDir on a temporary
# tree (tests/tools/remove_tree_case.sh), and what it says is left.
if(WIN32)
  set(path_form windows)
else()
  set(path_form native)
endif()
function(karvelin_removal name status regex kind)
  add_test(NAME karvelin_${name} COMMAND ${expect_output} --exit ${status} ${regex}
           ${CMAKE_CURRENT_SOURCE_DIR}/tools/remove_tree_case.sh ${kind} ${path_form}
           ${emulator} $<TARGET_FILE:karvelin>)
endfunction()

karvelin_case(failed_check 1 "236798212  ERR_DEST_PATH_IS_ROOT" CheckDestFileDir "C:\\")
karvelin_case(usage_error 2 "^usage: karvelin ValidateNet HOST MASK NETWORK OTHER" ValidateNet 10.0.0.1)
# Any call as JSON; names are matched without case.
karvelin_case(json_call 1 "^[{]\"function\": \"CheckDestFileDir\", \"answer\": [{]\"code\": 236798212, \"name\": \"ERR_DEST_PATH_IS_ROOT\"[}][}]"
              checkDESTfiledir --json "C:\\")
karvelin_removal(tree_removed 0 "^DelFilesAndDir +removed" tree)
# An unknown option before -- is refused, and nothing is removed; after --, it is a folder's name.
karvelin_removal(unknown_option 2 "^karvelin: did you mean --json[?]" option)
karvelin_removal(option_after_dashes 0 "^DelFilesAndDir +removed" dashes)
# A failed call by the function's own convention ends with status 1: a copy
# not made, a command's non-zero exit code, a shortcut not written (an HRESULT
# under Wine, shown in hexadecimal), an address not acceptable. (CMake drops
# empty arguments: none here.)
karvelin_case(copy_failed 1 "^CopyTheFile +0([^0-9]|$)" CopyTheFile karvelin-no-such-file karvelin-no-such-folder/copy)
karvelin_case(command_failed 1 "^RunSilent +3([^0-9]|$)" RunSilent exit 3)
if(WIN32)
  karvelin_case(shortcut_failed 1 "^CreateShortcut +-2147024893  0x80070003"
                CreateShortcut karvelin.exe none . "karvelin-no-such-folder\\link.lnk" none)
else()
  karvelin_case(shortcut_failed 1 "^CreateShortcut +1$" CreateShortcut karvelin none . karvelin-no-such-folder/link.lnk none)
endif()
karvelin_case(address_refused 1 "^ValidateTheIP +0([^0-9]|$)" ValidateTheIP 127.0.0.1)
# The library's log on the error stream, from the DLL's copy too: every line
# with -v; without it, a failed call's failure lines (docs/log.md).
karvelin_case(log_verbose 0 "^step GetErrorDescription: " -v GetErrorDescription 5)
karvelin_case(log_failure_told 1 "^failure CheckDestFileDir: " CheckDestFileDir "C:\\")
if(WIN32)  # where the host decides, Wine's answer is not the Linux samples' (program.md)
  karvelin_case(dest_dir_on_wine 0 "^CheckDestFileDir +0  OK" CheckDestFileDir "C:\\Server")
endif()
# What the program cannot read is refused with status 2, naming it.
karvelin_case(buffer_malformed 2 "^karvelin: GetAddress BUFFER: \"@abc\" is not @SIZE/FIELDS" GetAddress @abc)
karvelin_case(count_negative 2 "^karvelin: Recode COUNT: \"-1\" is not a count" Recode abc -1)
karvelin_case(option_before_verb 2 "^karvelin: --json comes after the verb" --json CheckOS)
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
  karvelin_case(buffer_at_limit 0 "^GetAddress +0  OK$" GetAddress @1048576/5)
  karvelin_case(help 0 "^exit status: 0 when the command ran" --help)
  karvelin_case(version 0 "^karvelin ${PROJECT_VERSION} [(]native Linux, (32|64)-bit[)]$" --version)
  karvelin_case(folder_elsewhere 2 "^karvelin: --folder /: that folder is not the folder the program runs in" --folder / CheckOS)
  # A text buffer as the function left it: the old NUL's byte, written over.
  karvelin_case(buffer_written_over_nul 0 "\"buffer\": \"[0-9.]+ +[\\]t\"[}]$" GetHostIPAddr --json 0123456789abcde)
  karvelin_case(function_help 0 "^  answers a result code" CheckDestFileDir --help)
  karvelin_case(removal_help 0 "still there: not a folder [(]exit status 1[)]$" DelFilesAndDir --help)
  karvelin_case(count_optional 0 "^usage: karvelin Recode TEXT [[]COUNT[]]$" Recode --help)
  karvelin_case(report_help 0 "^usage: karvelin report [[]--json[]]$" report --help)
  karvelin_case(list_help 0 "^usage: karvelin list$" list --help)
  karvelin_case(unknown_function 2 "^karvelin: no function named Nothing$" Nothing)
  karvelin_case(did_you_mean 2 "^karvelin: did you mean TrimLeft or TrimRight[?]$" trim)
  karvelin_case(did_you_mean_typo 2 "^karvelin: did you mean GetAddress[?]$" GetAdress)
  karvelin_case(report_option 2 "^usage: karvelin report" report --xml)
  karvelin_case(no_option_no_argument 2 "^karvelin: CheckOS has no option --jsno" CheckOS --jsno)
  karvelin_case(option_after_argument 2 "^karvelin: did you mean --help[?]$" TrimLeft text --hlep)
  karvelin_case(own_option_typo 2 "^karvelin: did you mean --version[?]$" --verison)
  karvelin_case(version_unknown_option 2 "^karvelin: --version has no option --jsno" --version --jsno)
  karvelin_case(usage_error_short 2 "^Try 'karvelin --help'[.]$" Nothing)
  karvelin_case(count_outside_text 2 "count 4 is outside the text of 3 bytes" Recode abc 4)
  karvelin_case(count_whole_text 0 "^Recode +\"[?]E8>17\"$" Recode abc 3)
  karvelin_case(plain_number 0 "^FindServerVersion +0$" FindServerVersion)
  # Numbers: decimal (a leading 0 is no octal) or 0x hexadecimal, 32 bits.
  karvelin_case(number_leading_zero 0 "^GetErrorDescription +\"10\"$" GetErrorDescription 010)
  karvelin_case(number_hexadecimal 0 "^GetErrorDescription +\"4294967295\"$" GetErrorDescription 0xFFFFFFFF)
  karvelin_case(number_negative 0 "^GetErrorDescription +\"4294967295\"$" GetErrorDescription -1)
  karvelin_case(number_most_negative 0 "^GetErrorDescription +\"2147483648\"$" GetErrorDescription -2147483648)
  karvelin_case(number_below_range 2 "CODE: \"-2147483649\" is not a 32-bit number" GetErrorDescription -2147483649)
  karvelin_case(number_not_one 2 "^karvelin: GetErrorDescription CODE: \"abc\" is not a 32-bit number" GetErrorDescription abc)
  karvelin_case(number_too_big 2 "CODE: \"4294967296\" is not a 32-bit number" GetErrorDescription 4294967296)
  karvelin_case(number_no_octal 2 "COUNT: \"0o1\" is not a count" Recode abc 0o1)
  karvelin_removal(tree_not_there 0 "^DelFilesAndDir +not there$" missing)
  karvelin_removal(tree_refused 1 "^DelFilesAndDir +still there: 2 entries$" home)
  karvelin_removal(tree_refused_told 1 "^failure DelFilesAndDir: refused .*: protected" home)
  # A HOME the caller may not enter: what can be told is protected, the tree goes.
  karvelin_removal(tree_foreign_home 0 "^DelFilesAndDir +removed" foreign-home)
  # Every verb answers --help.
  add_test(NAME karvelin_help_every_verb COMMAND sh -c
           "for verb in report list $($0 list | cut -d' ' -f1); do $0 $verb --help | grep -q '^usage: karvelin '$verb || { echo no help for $verb; exit 1; }; done"
           $<TARGET_FILE:karvelin>)
endif()

# The samples docs/program.md shows, run natively: they must print what the
# page shows.
if(NOT WIN32)
  add_test(NAME karvelin_doc_samples COMMAND ${KARVELIN_HOST_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/tools/doc_samples.py
           ${PROJECT_SOURCE_DIR}/docs/program.md $<TARGET_FILE:karvelin>)
endif()
# The main job's script, as a caller runs it, on a program built already:
# from the plain native build the win32 preset's (the checkout's build/win32;
# when that is not built, run.sh builds build/main), and for the 64-bit
# program the win64 build's own.
if(NOT WIN32 AND NOT KARVELIN_SANITIZE)
  add_test(NAME karvelin_run_script COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tools/run_script_case.sh ${PROJECT_SOURCE_DIR}
           ${PROJECT_SOURCE_DIR}/build/win32/bin)
elseif(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 8)
  add_test(NAME karvelin_run_script COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tools/run_script_case.sh ${PROJECT_SOURCE_DIR}
           $<TARGET_FILE_DIR:karvelin> --win64)
endif()
if(TEST karvelin_run_script)
  set_tests_properties(karvelin_run_script PROPERTIES COST 800)  # a Wine prefix made
endif()
