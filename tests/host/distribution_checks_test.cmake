# What configure asks payload-tool about a row's file (cmake/distribution_checks.cmake), run with
# cmake -DFUNKELIS_PAYLOAD_TOOL=PATH -P (the launcher's facts are checked by payload-tool set, and tested
# with it). Each line names the fault it catches; the script fails with the first case that differs.
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/distribution_checks.cmake)

function(expect what actual expected)
  if(NOT "${actual}" STREQUAL "${expected}")
    message(FATAL_ERROR "${what}: got '${actual}', expected '${expected}'")
  endif()
endfunction()

# A DLL or a text file packed as a tool is written but never starts: configure must tell them apart.
set(wine_dir /usr/lib/i386-linux-gnu/wine/i386-windows)
if(EXISTS ${wine_dir}/notepad.exe)
  funkelis_pe_kind(${wine_dir}/notepad.exe kind)
  expect("notepad.exe" "${kind}" program32)
  funkelis_pe_kind(${wine_dir}/user32.dll kind)
  expect("user32.dll" "${kind}" dll32)
endif()
funkelis_pe_kind(${CMAKE_CURRENT_LIST_FILE} kind)
expect("a text file" "${kind}" other)
funkelis_pe_kind(/dev/zero kind)
expect("a device is read for ever" "${kind}" "payload-tool: /dev/zero: not a regular file")
