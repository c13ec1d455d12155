# Builds the sampler and draw_hash with clang++ and libc++ and compares what
# they print with the g++ and libstdc++ build's draw_hash.
#   cmake -DSOURCE= -DWORK= -DGENERATOR= -DCLANGXX= -DREFERENCE= -P libcxx_test.cmake

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${what} failed (${status}):\n${out}${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

# Only the sampler is built: nothing else is looked for (no Fortran, no Python).
run("configuring with clang++ and libc++" ${CMAKE_COMMAND} -S ${SOURCE}/tests/libcxx -B ${WORK}/build -G ${GENERATOR}
    -DSIN_COS_SOURCE=${SOURCE} -DCMAKE_CXX_COMPILER=${CLANGXX} -DCMAKE_CXX_FLAGS=-stdlib=libc++
    -DCMAKE_BUILD_TYPE= -DCMAKE_DISABLE_FIND_PACKAGE_Boost=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON
    -DCMAKE_DISABLE_FIND_PACKAGE_Python3=ON -DCMAKE_DISABLE_FIND_PACKAGE_PkgConfig=ON -DCMAKE_Fortran_COMPILER=)
run("building with clang++ and libc++" ${CMAKE_COMMAND} --build ${WORK}/build --target draw_hash -j 2)
file(REMOVE_RECURSE ${WORK}/run)
file(MAKE_DIRECTORY ${WORK}/run)
run("draw_hash (reference)" ${REFERENCE} ${WORK}/run)
set(reference "${out}")
run("draw_hash (clang++, libc++)" ${WORK}/build/draw_hash ${WORK}/run)
if(NOT reference STREQUAL out)
  message(FATAL_ERROR "the draws differ:\n-- reference:\n${reference}-- libc++:\n${out}")
endif()
message(STATUS "the same draws:\n${out}")
