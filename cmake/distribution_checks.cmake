# Rules for the tool files a distributor gives (see shipping/distribution.example.cmake); the launcher's
# facts are checked by payload-tool (cmake/program_facts.cmake). tests/host/distribution_checks_test.cmake
# runs them alone.

# What a file given for a row is, as payload-tool's PE reader sees it (FUNKELIS_PAYLOAD_TOOL):
# "program32", "program64", "dll32", "dll64" or "other" (not a Windows image), or payload-tool's message
# when it cannot read the file. The launcher can start only a program, and only a 32-bit one on every
# Windows it runs on.
function(funkelis_pe_kind path result)
  execute_process(COMMAND ${FUNKELIS_PAYLOAD_TOOL} kind ${path}
                  OUTPUT_VARIABLE kind ERROR_VARIABLE message RESULT_VARIABLE status
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_STRIP_TRAILING_WHITESPACE)
  if(NOT status EQUAL 0)
    set(kind "${message}")
  endif()
  set(${result} "${kind}" PARENT_SCOPE)
endfunction()
