# The launcher's facts, as the distributor gives them in the top-level CMakeLists.txt or a distribution
# file: FUNKELIS_VERSION, FUNKELIS_COMPANY, FUNKELIS_COPYRIGHT, FUNKELIS_HOME_PAGE_URL,
# FUNKELIS_PROGRAM_DATE and FUNKELIS_UPDATE_TOOLS (win32 tree only: the host trees build no launcher).
# The host payload-tool (host_payload_tool.cmake) checks them all at once with the rules of
# `payload-tool set`, which writes them into a finished launcher; every bad value stops the
# configuration with its variable named. Generates into FUNKELIS_GENERATED_DIR:
#   launcher_facts.txt  the facts as `payload-tool set` reads them (@FILE), which the build writes into
#                       each launcher: they reach the program as data, never through a command line
#   funkelis_facts.h    version, date and home page for the tests that compare what the launcher shows
# and sets FUNKELIS_PROGRAM_DATE_EPOCH, the date's midnight UTC in seconds since 1970.
if(FUNKELIS_UPDATE_TOOLS)
  set(FUNKELIS_UPDATE_TOOLS_TEXT on)
else()
  set(FUNKELIS_UPDATE_TOOLS_TEXT off)
endif()
# Quoted, each value stays one argument whatever it holds (a ';' too), and no shell reads it.
execute_process(COMMAND ${FUNKELIS_PAYLOAD_TOOL} set --check
                        "version=${FUNKELIS_VERSION}" "company=${FUNKELIS_COMPANY}"
                        "copyright=${FUNKELIS_COPYRIGHT}" "home-page=${FUNKELIS_HOME_PAGE_URL}"
                        "date=${FUNKELIS_PROGRAM_DATE}" "update-tools=${FUNKELIS_UPDATE_TOOLS_TEXT}"
                OUTPUT_VARIABLE warnings ERROR_VARIABLE problems RESULT_VARIABLE status)
# payload-tool names each value by its key; the configuration names the variable it came from.
foreach(pair IN ITEMS version:FUNKELIS_VERSION company:FUNKELIS_COMPANY copyright:FUNKELIS_COPYRIGHT
                      home-page:FUNKELIS_HOME_PAGE_URL date:FUNKELIS_PROGRAM_DATE)
  string(REPLACE ":" ";" pair "${pair}")
  list(GET pair 0 key)
  list(GET pair 1 variable)
  string(REGEX REPLACE "(^|\n)payload-tool: ${key}=" "\\1${variable}=" problems "${problems}")
  string(REGEX REPLACE "(^|\n)payload-tool: ${key}=" "\\1${variable}=" warnings "${warnings}")
endforeach()
if(NOT status EQUAL 0)
  message(FATAL_ERROR "The launcher's facts:\n${problems}")
endif()
if(warnings)
  message(WARNING "${warnings}")
endif()

# Days from 1970-01-01 to the date (checked above) in the proleptic Gregorian calendar, counting March
# as the first month of the year so that the leap day comes last.
string(SUBSTRING "${FUNKELIS_PROGRAM_DATE}" 0 2 day)
string(SUBSTRING "${FUNKELIS_PROGRAM_DATE}" 2 2 month)
string(SUBSTRING "${FUNKELIS_PROGRAM_DATE}" 4 4 year)
math(EXPR day "${day}")
math(EXPR month "${month}")
math(EXPR year "${year}")
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
set(FUNKELIS_LAUNCHER_FACTS ${FUNKELIS_GENERATED_DIR}/launcher_facts.txt)
# One line each, which a checked value cannot break (it holds no control characters). Rewritten only
# when a value changed, so that the launchers are not relinked at every configuration.
file(WRITE ${FUNKELIS_LAUNCHER_FACTS}.new
     "version=${FUNKELIS_VERSION}\ncompany=${FUNKELIS_COMPANY}\ncopyright=${FUNKELIS_COPYRIGHT}\n"
     "home-page=${FUNKELIS_HOME_PAGE_URL}\ndate=${FUNKELIS_PROGRAM_DATE}\nupdate-tools=${FUNKELIS_UPDATE_TOOLS_TEXT}\n")
file(COPY_FILE ${FUNKELIS_LAUNCHER_FACTS}.new ${FUNKELIS_LAUNCHER_FACTS} ONLY_IF_DIFFERENT)
file(REMOVE ${FUNKELIS_LAUNCHER_FACTS}.new)
configure_file(${CMAKE_CURRENT_LIST_DIR}/funkelis_facts.h.in ${FUNKELIS_GENERATED_DIR}/funkelis_facts.h @ONLY)
