# pip install . as the README says, offline, into a fresh virtual environment,
# then the package's tests against what was installed there. The backend's
# CMake build is kept in BUILD (its build-dir setting), outside WORK, so that
# the next run compiles only what changed.
#   cmake -DSOURCE= -DWORK= -DBUILD= -DPYTHON= -DVERSION= -DTESTS= -DTABLE= -DKNOWN= -P wheel_test.cmake

function(run what)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env ${env} ${ARGN} WORKING_DIRECTORY ${WORK} RESULT_VARIABLE status
                  OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${what} failed (${status}):\n${out}${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
  set(err "${err}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
# Nothing from the user's pip configuration or the caller's Python path.
set(env --unset=PYTHONPATH --unset=VIRTUAL_ENV PIP_CONFIG_FILE=/dev/null PIP_DISABLE_PIP_VERSION_CHECK=1
        PYTHONDONTWRITEBYTECODE=1)
set(venv ${WORK}/venv)
run("creating the virtual environment" ${PYTHON} -m venv --system-site-packages ${venv})
# At -O1, a third less compiling than the default -O2, and a build at another
# level whose tables and draws the package's tests check bit for bit.
run("pip install" ${venv}/bin/pip install --no-build-isolation --no-index --no-cache-dir
    --config-settings=build-dir=${BUILD} --config-settings=cmake-args=-DSIN_COS_OPTIMIZATION=-O1 ${SOURCE})

run("importing the installed package" ${venv}/bin/python -c
    "m = __import__('sin_cos')\nprint(m.__version__, m.__path__[0])")
string(REGEX MATCH "^([^ ]*) (.*)\n$" _ "${out}")
set(installed ${CMAKE_MATCH_1})
set(package ${CMAKE_MATCH_2})
if(NOT installed STREQUAL VERSION OR NOT package MATCHES "^${venv}/lib/python[0-9.]+/site-packages/sin_cos$")
  message(FATAL_ERROR "expected sin_cos ${VERSION} from ${venv}, got: ${out}")
endif()
foreach(shipped py.typed __init__.pyi)
  if(NOT EXISTS ${package}/${shipped})
    message(FATAL_ERROR "the package does not ship ${shipped}")
  endif()
endforeach()

run("the package's tests" ${venv}/bin/python ${TESTS} ${TABLE} ${KNOWN})
message(STATUS "${err}")
