# payload-tool.exe check-titles under Wine, run with cmake -DWINE_RUN= -DPAYLOAD_TOOL= -DPAYLOAD_TOOL_EXE=
# -DLAUNCHER= -DOTHER_TOOL= -DOUT= -P. Each case names the fault it catches; the first that differs fails.
function(check_titles exe expected_status)
  execute_process(COMMAND ${WINE_RUN} ${PAYLOAD_TOOL_EXE} check-titles ${exe}
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
  message(STATUS "check-titles ${exe}:\n${out}${err}")
  if(NOT status EQUAL expected_status)
    message(FATAL_ERROR "check-titles ${exe} ended with ${status}, not ${expected_status}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

function(expect_line what line)
  string(FIND "${out}" "\n${line}\n" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "${what}: no line '${line}'")
  endif()
endfunction()

# Fault: a stand-in's title not recognised, so the test launcher itself would fail the check.
check_titles(${LAUNCHER} 0)
expect_line("every stand-in shows its title" "5\t\" Leitport Pellory Hausbox\"\t\" Leitport Pellory Hausbox\"\tOK")

# Fault: a real tool of another title passed, and the launcher started it again at every press.
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})
execute_process(COMMAND ${PAYLOAD_TOOL} replace ${LAUNCHER} 1=${OTHER_TOOL} -o ${OUT}/other-title.exe
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "replace failed")
endif()
check_titles(${OUT}/other-title.exe 1)
expect_line("row 1 of another title" "1\t\" Marvolt\"\t\" Stavnik\"\ttitle not seen: the launcher would start it again at each press")
expect_line("row 3 still its own" "3\t\" Stavnik\"\t\" Stavnik\"\tOK")
