# What configure asks payload-tool about a row's file (cmake/distribution_checks.cmake), run with cmake
# -DFUNKELIS_PAYLOAD_TOOL=PATH -P. Each line names the fault it catches; the first that differs fails.
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/distribution_checks.cmake)

function(expect what actual expected)
  if(NOT "${actual}" STREQUAL "${expected}")
    message(FATAL_ERROR "${what}: got '${actual}', expected '${expected}'")
  endif()
endfunction()

# A DLL or a text file packed as a tool is written but never starts, a console program runs in a window
# of another title: configure must tell them apart, and say so in a sentence that reads right.
set(wine_dir /usr/lib/i386-linux-gnu/wine/i386-windows)
if(EXISTS ${wine_dir}/notepad.exe)
  funkelis_pe_kind(${wine_dir}/notepad.exe kind)
  expect("notepad.exe" "${kind} ${kind_TEXT}|${kind_CONSEQUENCE}|${kind_STANDIN}" "program32 a 32-bit Windows program||FALSE")
  funkelis_pe_kind(${wine_dir}/user32.dll kind)
  expect("user32.dll" "${kind} ${kind_TEXT}" "dll32 a 32-bit DLL")
  funkelis_pe_kind(${wine_dir}/cmd.exe kind)
  expect("cmd.exe was named a Windows program" "${kind} ${kind_TEXT}" "console32 a 32-bit console program")
endif()
funkelis_pe_kind(${CMAKE_CURRENT_LIST_FILE} kind)
expect("a text file was \"a not a Windows program\"" "${kind} ${kind_TEXT}" "other not a Windows program or DLL")
if(NOT kind_CONSEQUENCE MATCHES "^Windows cannot start it")
  message(FATAL_ERROR "a text file's consequence: ${kind_CONSEQUENCE}")
endif()
funkelis_pe_kind(/dev/zero kind)
expect("a device is read for ever" "${kind}" "payload-tool: /dev/zero: not a regular file")
# The 64-bit branch, which no Wine program of the 32-bit installation reaches: the smallest 64-bit
# images (pe_samples/make_pe_samples.py), a program that starts only on 64-bit Windows and a DLL.
funkelis_pe_kind(${CMAKE_CURRENT_LIST_DIR}/pe_samples/program64.exe kind)
expect("a 64-bit program" "${kind}" program64)
funkelis_pe_kind(${CMAKE_CURRENT_LIST_DIR}/pe_samples/library64.dll kind)
expect("a 64-bit DLL" "${kind}" dll64)

# A relative tool path was taken from wherever cmake ran, and the build then failed to find it.
funkelis_distribution_path("tools/../Marvolt.exe" "/home/dist/funkelis.cmake" path)
expect("a relative tool path" "${path}" "/home/dist/Marvolt.exe")
funkelis_distribution_path("/opt/Marvolt.exe" "/home/dist/funkelis.cmake" path)
expect("a full tool path" "${path}" "/opt/Marvolt.exe")
funkelis_distribution_path("Marvolt.exe" "" path)
expect("a relative path without the distribution file" "${path}" "")
