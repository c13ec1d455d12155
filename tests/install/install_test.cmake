# Installs the build into a fresh prefix, makes a table with the installed
# tool, and builds and runs the examples/ simulation against the installation
# through the CMake package and through pkg-config.
#   cmake -DBUILD_DIR= -DEXAMPLES= -DWORK= -DGENERATOR= -DCXX= -DCXX_FLAGS= -DCHECK= -DPKG_CONFIG= -P install_test.cmake

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${what} failed (${status}):\n${out}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

set(prefix ${WORK}/prefix)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/run)
run("cmake --install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

# What the simulations below do not exercise.
set(installed share/man/man1/sin_cos.1)
if(CHECK)
  list(APPEND installed bin/sin_cos_check share/man/man1/sin_cos_check.1)
endif()
foreach(file IN LISTS installed)
  if(NOT EXISTS ${prefix}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

execute_process(COMMAND ${prefix}/bin/sin_cos INPUT_FILE /dev/null OUTPUT_QUIET WORKING_DIRECTORY ${WORK}/run
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the installed sin_cos failed (${status})")
endif()

# The CMake package's simulation reads the table file, pkg-config's builds one in process.
set(routes package)
if(PKG_CONFIG)
  list(APPEND routes pkg-config)
endif()
foreach(route IN LISTS routes)
  set(dir ${WORK}/${route})
  if(route STREQUAL "package")
    set(env)
    set(options -DCMAKE_PREFIX_PATH=${prefix})
    set(args ${WORK}/run/Sin_Cos.res)
  else()
    # Only the installation's .pc file, none of the system's.
    set(env ${CMAKE_COMMAND} -E env PKG_CONFIG_LIBDIR=${prefix}/lib/pkgconfig PKG_CONFIG_PATH=)
    set(options -DSIN_COS_VIA_PKG_CONFIG=ON)
    set(args)
  endif()
  run("configuring the example (${route})" ${env} ${CMAKE_COMMAND} -S ${EXAMPLES} -B ${dir} -G ${GENERATOR}
      -DCMAKE_CXX_COMPILER=${CXX} "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}" ${options})
  run("building the example (${route})" ${CMAKE_COMMAND} --build ${dir})
  run("running the example (${route})" ${dir}/draw_histogram ${args})
  string(REGEX MATCHALL "\n *-?[0-9.]+ +[0-9]+ #*" rows "${out}")
  list(LENGTH rows count)
  if(NOT out MATCHES "# 1000000 draws, H = 2, M = 4, \\[-1, 1\\], 5000 table bins" OR NOT count EQUAL 40)
    message(FATAL_ERROR "unexpected histogram (${route}):\n${out}")
  endif()
  message(STATUS "${route}: built and ran the example")
endforeach()
