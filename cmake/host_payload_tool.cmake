# The host payload-tool of a win32 tree: a native Release build of this same source tree, in a tree of
# its own (host-tools/), without the MinGW toolchain of this one. The configuration builds it first: it
# checks the distributor's values with the rules that `payload-tool set` applies (program_facts.cmake),
# and it reads what each real tool file is for the table of rows (resources/CMakeLists.txt), so that a
# configuration can stop before anything is built or signed. The build packs the tools and writes the
# launchers' facts with it, and asks the same tree again, so a change to payload-tool's sources takes
# effect without configuring again; the steps that use it rerun only when payload-tool was relinked.
# Sets FUNKELIS_PAYLOAD_TOOL and the target funkelis_host_tools.
find_program(FUNKELIS_HOST_C_COMPILER NAMES cc gcc REQUIRED)
find_program(FUNKELIS_HOST_CXX_COMPILER NAMES c++ g++ REQUIRED)
set(host_tools_dir ${CMAKE_BINARY_DIR}/host-tools)
set(FUNKELIS_PAYLOAD_TOOL ${host_tools_dir}/tools/payload_tool/payload-tool
    CACHE INTERNAL "The host payload-tool built by this tree")
set(host_tools_build ${CMAKE_COMMAND} --build ${host_tools_dir} --target payload-tool --parallel 2)
message(STATUS "Building the host payload-tool in ${host_tools_dir}")
execute_process(
  COMMAND ${CMAKE_COMMAND} -S ${CMAKE_SOURCE_DIR} -B ${host_tools_dir} -G ${CMAKE_GENERATOR}
          -DCMAKE_MAKE_PROGRAM=${CMAKE_MAKE_PROGRAM}
          -DCMAKE_BUILD_TYPE=Release
          -DFUNKELIS_TOOLS_ONLY=ON
          -DCMAKE_TOOLCHAIN_FILE=
          -DCMAKE_C_COMPILER=${FUNKELIS_HOST_C_COMPILER}
          -DCMAKE_CXX_COMPILER=${FUNKELIS_HOST_CXX_COMPILER}
          # GCC 12 at -O3 reports a false -Wrestrict inside std::string's inlined copy (GCC bug 105329).
          -DCMAKE_CXX_FLAGS=-Wno-restrict
          -Wno-dev
  OUTPUT_VARIABLE host_tools_log ERROR_VARIABLE host_tools_log RESULT_VARIABLE host_tools_result)
if(host_tools_result EQUAL 0)
  execute_process(COMMAND ${host_tools_build}
                  OUTPUT_VARIABLE host_tools_log ERROR_VARIABLE host_tools_log RESULT_VARIABLE host_tools_result)
endif()
if(NOT host_tools_result EQUAL 0)
  message(FATAL_ERROR "The host payload-tool did not build:\n${host_tools_log}")
endif()
add_custom_target(funkelis_host_tools COMMAND ${host_tools_build} BYPRODUCTS ${FUNKELIS_PAYLOAD_TOOL}
                  COMMENT "Building the host payload-tool" VERBATIM)
