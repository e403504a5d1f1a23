# Rules for the values a distributor gives (see shipping/distribution.example.cmake). Each function
# sets its result variable to "" when the value is good, else to the reason; the caller decides
# whether that stops the configuration. tests/host/distribution_checks_test.cmake runs them alone.

# The home page travels as a C string in a generated header and is handed to the shell as it is: a
# plain http(s) address of printable ASCII, without blanks, quotes or backslashes, which no string
# literal, shell or browser reads differently.
function(funkelis_url_problem url result)
  set(problem "")
  if(NOT url MATCHES "^https?://")
    set(problem "must start with http:// or https://")
  elseif(NOT url MATCHES "^https?://[!-~]+$")
    set(problem "must not hold blanks, control characters or characters outside ASCII")
  elseif(url MATCHES "[\"'`\\\\]")
    set(problem "must not hold quotes or backslashes")
  endif()
  set(${result} "${problem}" PARENT_SCOPE)
endfunction()

# Company and copyright go into the version resource as resource-compiler strings.
function(funkelis_resource_text_problem text result)
  set(problem "")
  if(NOT text MATCHES "^[ -~]*$")
    set(problem "must be printable ASCII (write (c) for the copyright sign)")
  elseif(text MATCHES "[\"\\\\]")
    set(problem "must not hold double quotes or backslashes")
  endif()
  set(${result} "${problem}" PARENT_SCOPE)
endfunction()

# Advance widths in pixels of the characters ! to ~ (0x21-0x7E) in the home-page label's font, the
# window font MS Sans Serif 8 pt at 96 dpi, and the label's client width at the window's fixed size.
# Measured under Wine with GetTextExtentPoint32A on the label's own font (WM_GETFONT) and GetClientRect
# on the label, in a throwaway program around the window layer: 458 pixels, a character height of 13,
# average width 5. The sum of these widths equals GetTextExtentPoint32A of whole addresses (the font
# has no kerning): the default address is 186 pixels wide, and one of 495 pixels (102 characters) broke
# after its 95th character in a screenshot of the window, its second line behind the last tool's frame.
set(FUNKELIS_LABEL_CHAR_WIDTHS
    3 5 7 6 8 6 2 3 3 4 6 3 3 3 5 6 6 6 6 6 6 6 6 6 6 3 3 6 6 6 6 11 7 7 7 8 7 6 8 8 3 5 7 6 9 8 8
    7 8 8 7 7 8 7 11 7 7 7 3 5 3 6 6 3 6 6 6 6 6 3 6 6 2 2 6 2 8 6 6 6 6 3 5 3 6 6 8 5 5 5 4 2 4 7)
set(FUNKELIS_HOME_PAGE_LABEL_PIXELS 458)

# Sets `result` to the text's width in pixels in the home-page label's font.
function(funkelis_label_text_pixels text result)
  set(pixels 0)
  string(LENGTH "${text}" length)
  if(length GREATER 0)
    math(EXPR last "${length} - 1")
    foreach(index RANGE ${last})
      string(SUBSTRING "${text}" ${index} 1 character)
      string(HEX "${character}" code)
      math(EXPR slot "0x${code} - 0x21")
      if(slot LESS 0 OR slot GREATER 93)
        set(slot 0)
      endif()
      list(GET FUNKELIS_LABEL_CHAR_WIDTHS ${slot} width)
      math(EXPR pixels "${pixels} + ${width}")
    endforeach()
  endif()
  set(${result} ${pixels} PARENT_SCOPE)
endfunction()

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
