# A source compiles as it is and fails to compile with FAIL_FLAGS (by default
# -DSWAPPED), the compiler naming CALL: what the call lacks (the law, or the
# argument to the C builder), or what replaces a deprecated name.
#   cmake -DCOMPILER= -DSOURCE= -DINCLUDES= -DCALL= [-DFAIL_FLAGS=] -P compile_fail.cmake
list(TRANSFORM INCLUDES PREPEND -I)
if(NOT DEFINED FAIL_FLAGS)
  set(FAIL_FLAGS -DSWAPPED)
endif()
if(SOURCE MATCHES "\\.c$")
  set(standard -std=c99)
else()
  set(standard -std=c++17)
endif()
execute_process(COMMAND ${COMPILER} ${standard} -fsyntax-only ${INCLUDES} ${SOURCE}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${SOURCE} does not compile:\n${out}")
endif()
execute_process(COMMAND ${COMPILER} ${standard} -fsyntax-only ${FAIL_FLAGS} ${INCLUDES} ${SOURCE}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(status EQUAL 0)
  message(FATAL_ERROR "${SOURCE} compiles with ${FAIL_FLAGS}")
endif()
if(NOT out MATCHES "error:[^\n]*${CALL}")
  message(FATAL_ERROR "${SOURCE} fails with ${FAIL_FLAGS}, but not for ${CALL}:\n${out}")
endif()
string(REGEX MATCH "[^\n]*error:[^\n]*" first "${out}")
message(STATUS "refused: ${first}")
