# Fails when the launcher imports a DLL that Windows might load from the launcher's own folder, or
# delay-loads anything (the launcher runs elevated from folders that others can write to), or imports
# ntdll's compression functions (it only decodes: the packing side must not be linked into it), or
# when the image without its resources outgrows BUDGET bytes: the size is deterministic, and a C++
# library that brings its exception machinery back (shell/runtime_failures_win.cpp) adds about 55 KB.
#   cmake -DOBJDUMP=<objdump> -DEXE=<FunkelisTools.exe> -DBUDGET=<bytes> -P launcher_imports_check.cmake
cmake_minimum_required(VERSION 3.25)
set(allowed kernel32.dll user32.dll gdi32.dll shell32.dll ole32.dll advapi32.dll msvcrt.dll ntdll.dll)

execute_process(COMMAND ${OBJDUMP} -h -p ${EXE} OUTPUT_VARIABLE headers RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "cannot read the headers of ${EXE}")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" names "${headers}")
if(NOT names)
  message(FATAL_ERROR "no imports found in ${EXE}: not a PE file?")
endif()
foreach(entry IN LISTS names)
  string(REPLACE "DLL Name: " "" dll "${entry}")
  string(STRIP "${dll}" dll)
  string(TOLOWER "${dll}" dll)
  if(NOT dll IN_LIST allowed)
    message(SEND_ERROR "the launcher imports ${dll}")
  endif()
endforeach()

foreach(function RtlCompressBuffer RtlGetCompressionWorkSpaceSize)
  if(headers MATCHES "[ \t]${function}\n")
    message(SEND_ERROR "the launcher imports ${function}: the packing side is linked in")
  endif()
endforeach()

if(NOT headers MATCHES "Entry d 0+ 0+ Delay Import Directory")
  message(SEND_ERROR "the launcher has delay-loaded imports")
endif()
message(STATUS "imports: ${names}")

file(SIZE ${EXE} image_size)
set(resource_size 0)
if(headers MATCHES "\n +[0-9]+ \\.rsrc +([0-9a-f]+) ")
  math(EXPR resource_size "0x${CMAKE_MATCH_1}")
endif()
math(EXPR without_resources "${image_size} - ${resource_size}")
if(without_resources GREATER BUDGET)
  message(SEND_ERROR "the launcher without its resources is ${without_resources} bytes, over its budget of "
                     "${BUDGET}: run scripts/launcher-map.py to see what came in")
endif()
message(STATUS "image: ${image_size} bytes, ${resource_size} of them resources; budget for the rest ${BUDGET}")
