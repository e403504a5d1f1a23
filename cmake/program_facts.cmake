# Facts of the program that several places need, derived from the distributor's values in the
# top-level CMakeLists.txt (the project version, FUNKELIS_PROGRAM_DATE, FUNKELIS_COMPANY,
# FUNKELIS_COPYRIGHT, FUNKELIS_HOME_PAGE_URL), each checked here with a message naming the variable.
# Generates into FUNKELIS_GENERATED_DIR:
#   funkelis_version.h       version, date, company, copyright (preprocessor definitions only, so the
#                            resource compiler reads it too)
#   funkelis_home_page.h     the home-page address as a C string, never on a command line
#   funkelis_tools.manifest  the application manifest with the project version
# and sets FUNKELIS_PROGRAM_DATE_EPOCH, the date's midnight UTC in seconds since 1970.
include(${CMAKE_CURRENT_LIST_DIR}/distribution_checks.cmake)

if(NOT FUNKELIS_PROGRAM_DATE MATCHES "^([0-9][0-9])([0-9][0-9])([0-9][0-9][0-9][0-9])$")
  message(FATAL_ERROR "FUNKELIS_PROGRAM_DATE must be eight digits DDMMYYYY, not '${FUNKELIS_PROGRAM_DATE}'")
endif()
math(EXPR day "${CMAKE_MATCH_1}")
math(EXPR month "${CMAKE_MATCH_2}")
math(EXPR year "${CMAKE_MATCH_3}")
if(day LESS 1 OR day GREATER 31 OR month LESS 1 OR month GREATER 12 OR year LESS 1970)
  message(FATAL_ERROR "FUNKELIS_PROGRAM_DATE ${FUNKELIS_PROGRAM_DATE} is not a date DDMMYYYY from 1970 on")
endif()

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

foreach(variable IN ITEMS FUNKELIS_COMPANY FUNKELIS_COPYRIGHT)
  funkelis_resource_text_problem("${${variable}}" problem)
  if(problem)
    message(FATAL_ERROR "${variable} '${${variable}}' ${problem}")
  endif()
endforeach()

funkelis_url_problem("${FUNKELIS_HOME_PAGE_URL}" problem)
if(problem)
  message(FATAL_ERROR "FUNKELIS_HOME_PAGE_URL '${FUNKELIS_HOME_PAGE_URL}' ${problem}")
endif()
funkelis_label_text_pixels("${FUNKELIS_HOME_PAGE_URL}" url_pixels)
if(url_pixels GREATER FUNKELIS_HOME_PAGE_LABEL_PIXELS)
  message(WARNING "FUNKELIS_HOME_PAGE_URL is ${url_pixels} pixels wide in the window font; the label shows "
                  "${FUNKELIS_HOME_PAGE_LABEL_PIXELS} on one line, and a second line is hidden behind the "
                  "last tool's frame. A shorter address shows whole.")
endif()

set(FUNKELIS_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/funkelis_version.h.in ${FUNKELIS_GENERATED_DIR}/funkelis_version.h @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/funkelis_home_page.h.in ${FUNKELIS_GENERATED_DIR}/funkelis_home_page.h @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/resources/funkelis_tools.manifest.in
               ${FUNKELIS_GENERATED_DIR}/funkelis_tools.manifest @ONLY)
