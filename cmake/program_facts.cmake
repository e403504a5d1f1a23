# Facts of the program that several places need, derived from the two given in the top-level
# CMakeLists.txt: the project() version and FUNKELIS_PROGRAM_DATE (DDMMYYYY). Generates
# funkelis_version.h (preprocessor definitions only, so the resource compiler reads it too) and sets
# FUNKELIS_PROGRAM_DATE_EPOCH, the date's midnight UTC in seconds since 1970.

if(NOT FUNKELIS_PROGRAM_DATE MATCHES "^([0-9][0-9])([0-9][0-9])([0-9][0-9][0-9][0-9])$")
  message(FATAL_ERROR "FUNKELIS_PROGRAM_DATE must be eight digits DDMMYYYY, not '${FUNKELIS_PROGRAM_DATE}'")
endif()
math(EXPR day "${CMAKE_MATCH_1}")
math(EXPR month "${CMAKE_MATCH_2}")
math(EXPR year "${CMAKE_MATCH_3}")

# Days from 1970-01-01 to a date of the proleptic Gregorian calendar, counting March as the first
# month of the year so that the leap day comes last.
if(month GREATER 2)
  math(EXPR march_month "${month} - 3")
else()
  math(EXPR march_month "${month} + 9")
  math(EXPR year "${year} - 1")
endif()
math(EXPR era "${year} / 400")
math(EXPR year_of_era "${year} - ${era} * 400")
math(EXPR day_of_year "(153 * ${march_month} + 2) / 5 + ${day} - 1")
math(EXPR day_of_era "${year_of_era} * 365 + ${year_of_era} / 4 - ${year_of_era} / 100 + ${day_of_year}")
math(EXPR FUNKELIS_PROGRAM_DATE_EPOCH "(${era} * 146097 + ${day_of_era} - 719468) * 86400")

set(FUNKELIS_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/funkelis_version.h.in ${FUNKELIS_GENERATED_DIR}/funkelis_version.h @ONLY)
