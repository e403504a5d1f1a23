# The kit's test launcher branded with other facts, then with this tree's (FACTS), then repacked with its
# TOOLS at EPOCH must be FunkelisTools.exe byte for byte (arguments: tests/win32/CMakeLists.txt). Faults:
# a fact `set` leaves behind, a resource the build writes otherwise than `set`, a repacking that changes code.
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

# The values go to payload-tool as they are: quoted, a ';' in them splits nothing.
execute_process(COMMAND ${PAYLOAD_TOOL} set ${TEST_LAUNCHER} version=3.0.7.1 "company=Müller & Söhne GmbH"
                        "copyright=© 2026 Müller & Söhne" "home-page=https://example.org/a;b&c=1" date=01022027
                        update-tools=on -o ${WORK}/branded.exe
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
if(status EQUAL 0)
  execute_process(COMMAND ${PAYLOAD_TOOL} set ${WORK}/branded.exe @${FACTS} -o ${WORK}/rebranded.exe
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
endif()
if(status EQUAL 0)
  string(REPLACE "|" ";" tools "${TOOLS}")
  execute_process(COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${EPOCH}
                          ${PAYLOAD_TOOL} replace ${WORK}/rebranded.exe ${tools} -o ${WORK}/kit.exe
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
endif()
if(NOT status EQUAL 0)
  message(FATAL_ERROR "payload-tool failed (${status}):\n${out}${err}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/kit.exe ${LAUNCHER} RESULT_VARIABLE differs)
if(differs)
  message(FATAL_ERROR "${WORK}/kit.exe differs from ${LAUNCHER}")
endif()
message(STATUS "the kit's path gives ${LAUNCHER} byte for byte")
