# A source compiles as it is and fails to compile with -DSWAPPED, the
# compiler naming what the call lacks (the law, or the argument to the C builder).
#   cmake -DCOMPILER= -DSOURCE= -DINCLUDES= -DCALL= -P compile_fail.cmake
list(TRANSFORM INCLUDES PREPEND -I)
if(SOURCE MATCHES "\\.c$")
  set(standard -std=c99)
else()
  set(standard -std=c++17)
endif()
execute_process(COMMAND ${COMPILER} ${standard} -fsyntax-only ${INCLUDES} ${SOURCE}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the call in its order does not compile:\n${out}")
endif()
execute_process(COMMAND ${COMPILER} ${standard} -fsyntax-only -DSWAPPED ${INCLUDES} ${SOURCE}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(status EQUAL 0)
  message(FATAL_ERROR "the swapped call compiles")
endif()
if(NOT out MATCHES "error:[^\n]*${CALL}")
  message(FATAL_ERROR "the swapped call fails, but not for ${CALL}:\n${out}")
endif()
string(REGEX MATCH "[^\n]*error:[^\n]*" first "${out}")
message(STATUS "refused: ${first}")
