# Rules for the tool files a distributor gives (see shipping/distribution.example.cmake); the launcher's
# facts are checked by payload-tool (cmake/program_facts.cmake). tests/host/distribution_checks_test.cmake
# runs them alone.

# A file that the distribution file names: a relative path is taken from the folder of the distribution
# file `distribution_file` (FUNKELIS_DISTRIBUTION_FILE, which it sets to itself), never from wherever
# cmake happened to be started. Sets `result` to the full path, or to "" for a relative path when the
# distribution file is not known.
function(funkelis_distribution_path path distribution_file result)
  set(full "")
  if(IS_ABSOLUTE "${path}")
    set(full "${path}")
  elseif(distribution_file)
    get_filename_component(folder "${distribution_file}" DIRECTORY)
    set(full "${folder}/${path}")
  endif()
  if(full)
    cmake_path(NORMAL_PATH full)
  endif()
  set(${result} "${full}" PARENT_SCOPE)
endfunction()

# What a file given for a row is, as payload-tool's PE reader sees it (FUNKELIS_PAYLOAD_TOOL `kind`):
# sets `result` to "program32", "console32", "program64", "console64", "dll32", "dll64" or "other" (not
# a Windows image), or to payload-tool's message when it cannot read the file; and, beside it,
# `result`_STANDIN (TRUE for a stand-in), `result`_TEXT (what follows "is": "a 32-bit DLL") and
# `result`_CONSEQUENCE (what the launcher's row does with such a file; empty for a 32-bit Windows program).
function(funkelis_pe_kind path result)
  execute_process(COMMAND ${FUNKELIS_PAYLOAD_TOOL} kind ${path}
                  OUTPUT_VARIABLE kind ERROR_VARIABLE message RESULT_VARIABLE status
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_STRIP_TRAILING_WHITESPACE)
  # The consequence is the last field; an empty one goes with the trailing white space.
  if(status EQUAL 0 AND kind MATCHES "^([a-z0-9]+)\t(stand-in|-)\t([^\t]*)(\t(.*))?$")
    set(${result} "${CMAKE_MATCH_1}" PARENT_SCOPE)
    if(CMAKE_MATCH_2 STREQUAL "stand-in")
      set(${result}_STANDIN TRUE PARENT_SCOPE)
    else()
      set(${result}_STANDIN FALSE PARENT_SCOPE)
    endif()
    set(${result}_TEXT "${CMAKE_MATCH_3}" PARENT_SCOPE)
    set(${result}_CONSEQUENCE "${CMAKE_MATCH_5}" PARENT_SCOPE)
  else()
    set(${result} "${message}${kind}" PARENT_SCOPE)
    set(${result}_STANDIN FALSE PARENT_SCOPE)
    set(${result}_TEXT "" PARENT_SCOPE)
    set(${result}_CONSEQUENCE "" PARENT_SCOPE)
  endif()
endfunction()
