# Runs before project(): FUNKELIS_VERSION becomes the project version, and project() itself would
# only say "format invalid". The version resource holds each number in 16 bits.
if(NOT FUNKELIS_VERSION MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
  message(FATAL_ERROR "FUNKELIS_VERSION must be four numbers a.b.c.d (for example 2.1.0.4), not '${FUNKELIS_VERSION}'")
endif()
foreach(part IN ITEMS ${CMAKE_MATCH_1} ${CMAKE_MATCH_2} ${CMAKE_MATCH_3} ${CMAKE_MATCH_4})
  string(LENGTH "${part}" digits)
  if(digits GREATER 5 OR part GREATER 65535)
    message(FATAL_ERROR "FUNKELIS_VERSION ${FUNKELIS_VERSION}: each number must be at most 65535")
  endif()
endforeach()
