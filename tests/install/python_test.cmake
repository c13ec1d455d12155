# Installs the build into a fresh prefix and runs the Python example and the
# module's tests with only that prefix's site-packages added to the path.
#   cmake -DBUILD_DIR= -DWORK= -DPYTHON= -DSITE= -DEXAMPLE= -DTESTS= -DTABLE= -DKNOWN= [-DPRELOAD=] -P python_test.cmake

function(run what)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env ${env} ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out
                  ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${what} failed (${status}):\n${out}${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
  set(err "${err}" PARENT_SCOPE)
endfunction()

set(prefix ${WORK}/prefix)
file(REMOVE_RECURSE ${WORK})
set(env)
run("cmake --install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

set(env PYTHONPATH=${prefix}/${SITE} PYTHONDONTWRITEBYTECODE=1)
if(PRELOAD)
  # The interpreter's own allocations are not ours to leak-check.
  list(APPEND env LD_PRELOAD=${PRELOAD} ASAN_OPTIONS=detect_leaks=0)
endif()

run("importing the installed module" ${PYTHON} -c "print(__import__('sin_cos').__file__)")
if(NOT out MATCHES "^${prefix}/${SITE}/sin_cos")
  message(FATAL_ERROR "sin_cos imported from elsewhere: ${out}")
endif()

run("the example" ${PYTHON} ${EXAMPLE})
set(cpp_draws -0.70332336720119148 0.75166661335093532 0.60754956577200525 -0.96560583336416206 -0.49852522607655242)
string(REPLACE ";" "\n" cpp_draws "${cpp_draws}")
string(FIND "${out}" "${cpp_draws}\n# 1000000 draws" at)
if(NOT at EQUAL 0)
  message(FATAL_ERROR "the example's five draws of seed 12345 are not C++'s:\n${out}")
endif()

run("the module's tests" ${PYTHON} ${TESTS} ${TABLE} ${KNOWN})
message(STATUS "${err}")
