# The catalogue's rows as the build needs them, read from shell/tool_catalogue.def, the one file that
# holds them (the launcher includes it too): one FUNKELIS_TOOL_ROW(...) per line, plain string literals.
# Sets
#   FUNKELIS_TOOLS              the tools in row order, each its file name without ".exe" (the stand-in
#                               target, and FUNKELIS_TOOL_<NAME> in upper case)
#   FUNKELIS_TOOL_ROW_<n>_FILE, _RESOURCE, _TITLE   row n's file name, resource name and window title
#   FUNKELIS_TOOL_ROW_<n>_VERSION                   the four numbers of its version text ("2.1.0.6"), which
#                                                   its stand-in carries as its file version
# and stops the configuration at a line that is not such a row.
set(catalogue_file ${CMAKE_SOURCE_DIR}/shell/tool_catalogue.def)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${catalogue_file})
file(STRINGS ${catalogue_file} catalogue_lines REGEX "^FUNKELIS_TOOL_ROW\\(")
set(catalogue_text "\"([^\"]*)\"")
set(FUNKELIS_TOOLS "")
set(catalogue_row 0)
foreach(line IN LISTS catalogue_lines)
  math(EXPR catalogue_row "${catalogue_row} + 1")
  set(catalogue_row_rule "^FUNKELIS_TOOL_ROW\\(${catalogue_text}, ${catalogue_text}, ${catalogue_text}, ${catalogue_text}, ${catalogue_text}, ${catalogue_text}\\)$")
  if(line MATCHES "${catalogue_row_rule}")
    set(FUNKELIS_TOOL_ROW_${catalogue_row}_FILE "${CMAKE_MATCH_1}")
    set(FUNKELIS_TOOL_ROW_${catalogue_row}_RESOURCE "${CMAKE_MATCH_2}")
    set(FUNKELIS_TOOL_ROW_${catalogue_row}_TITLE "${CMAKE_MATCH_3}")
    set(version_text "${CMAKE_MATCH_5}")
    if(NOT version_text MATCHES "^ *Version ([0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+) *$")
      message(FATAL_ERROR "shell/tool_catalogue.def: row ${catalogue_row}'s version text is not "
                          "\"Version A.B.C.D\": ${version_text}")
    endif()
    set(FUNKELIS_TOOL_ROW_${catalogue_row}_VERSION "${CMAKE_MATCH_1}")
  endif()
  if(NOT line MATCHES "${catalogue_row_rule}" OR NOT FUNKELIS_TOOL_ROW_${catalogue_row}_FILE MATCHES "^([A-Za-z0-9_]+)\\.exe$")
    message(FATAL_ERROR "shell/tool_catalogue.def: row ${catalogue_row} is not FUNKELIS_TOOL_ROW(\"Name.exe\", ...) "
                        "with six plain string literals on one line: ${line}")
  endif()
  list(APPEND FUNKELIS_TOOLS ${CMAKE_MATCH_1})
endforeach()
