# Installs the build into a fresh prefix, makes a table with the installed
# tool, and builds and runs the examples/ simulation against the installation
# through the CMake package and through pkg-config, and the C and Fortran
# examples with the compiler and pkg-config alone (FC empty: no Fortran).
#   cmake -DBUILD_DIR= -DEXAMPLES= -DWORK= -DGENERATOR= -DCXX= -DCXX_FLAGS= -DCHECK= -DPKG_CONFIG= -DCC= -DFC=
#         -P install_test.cmake

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
set(installed share/man/man1/sin_cos.1 share/man/man3/sin_cos.3)
if(CHECK)
  list(APPEND installed bin/sin_cos_check share/man/man1/sin_cos_check.1)
endif()
# A manual page for every function of the installed C header.
file(READ ${prefix}/include/sin_cos/sin_cos.h c_header)
file(READ ${prefix}/include/sin_cos/sin_cos_quantile.h quantile_header)
string(APPEND c_header "${quantile_header}")
string(REGEX MATCHALL "sin_cos_[a-z_0-9]+ *\\(" c_functions "${c_header}")
list(TRANSFORM c_functions REPLACE " *\\($" ".3")
list(TRANSFORM c_functions PREPEND share/man/man3/)
list(APPEND installed ${c_functions})
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

# Every public name of the installed C++ headers is in namespace sin_cos (the
# 2.x names in deprecated.hpp aside), and no header needs one that is not installed.
file(GLOB_RECURSE headers RELATIVE ${prefix}/include ${prefix}/include/*.hpp)
foreach(header IN LISTS headers)
  if(NOT header MATCHES "^sin_cos/")
    message(FATAL_ERROR "installed outside include/sin_cos: ${header}")
  endif()
  if(header STREQUAL "sin_cos/deprecated.hpp")
    continue()
  endif()
  # Namespaces open and close on lines of their own, "namespace x {" and "}  // namespace x":
  # only those opened at file level are public.
  file(STRINGS ${prefix}/include/${header} scopes REGEX "^[ \t]*(namespace[^;=]*{|}[ \t]*//[ \t]*namespace)")
  set(depth 0)
  foreach(line IN LISTS scopes)
    if(line MATCHES "^[ \t]*}")
      math(EXPR depth "${depth} - 1")
    else()
      if(depth EQUAL 0 AND NOT line MATCHES "^namespace sin_cos(::[A-Za-z_]+)* {")
        message(FATAL_ERROR "${header}: a name outside namespace sin_cos: ${line}")
      endif()
      math(EXPR depth "${depth} + 1")
    endif()
  endforeach()
  file(STRINGS ${prefix}/include/${header} included REGEX "^#include \"")
  foreach(line IN LISTS included)
    string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" name "${line}")
    get_filename_component(dir ${header} DIRECTORY)
    if(NOT EXISTS ${prefix}/include/${dir}/${name})
      message(FATAL_ERROR "${header} includes ${name}, which is not installed")
    endif()
  endforeach()
endforeach()
list(LENGTH headers count)
message(STATUS "${count} installed headers: every public name in sin_cos")

# A simulation with its own namespaces law and sampler builds and links.
set(own ${WORK}/own_namespaces)
file(MAKE_DIRECTORY ${own})
file(WRITE ${own}/CMakeLists.txt "cmake_minimum_required(VERSION 3.25)\nproject(own LANGUAGES CXX)\n"
     "find_package(sin_cos 3 CONFIG REQUIRED)\nadd_executable(own ${CMAKE_CURRENT_LIST_DIR}/own_namespaces.cpp)\n"
     "target_link_libraries(own PRIVATE sin_cos::sampler)\n")
run("configuring the simulation of own namespaces" ${CMAKE_COMMAND} -S ${own} -B ${own}/build -G ${GENERATOR}
    -DCMAKE_CXX_COMPILER=${CXX} "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}" -DCMAKE_PREFIX_PATH=${prefix})
run("building the simulation of own namespaces" ${CMAKE_COMMAND} --build ${own}/build)
run("running the simulation of own namespaces" ${own}/build/own)
message(STATUS "${out}")

# C and Fortran: the five draws of seed 12345 from the tight table 2 4 -1 1 1000
# are C++'s (Fortran prints them in its own notation, the same 17 digits), and
# a refused build leaves the next one working.
if(NOT PKG_CONFIG)
  return()
endif()
set(env ${CMAKE_COMMAND} -E env PKG_CONFIG_LIBDIR=${prefix}/lib/pkgconfig PKG_CONFIG_PATH=)
run("pkg-config" ${env} pkg-config --cflags --libs sin_cos)
separate_arguments(pkg_flags UNIX_COMMAND "${out}")
separate_arguments(flags UNIX_COMMAND "${CXX_FLAGS}")
set(draws_c "-0.70332336720119148\n0.75166661335093532\n0.60754956577200525\n-0.96560583336416206\n"
            "-0.49852522607655242\n")
set(draws_fortran " -7.0332336720119148E-01\n  7.5166661335093532E-01\n  6.0754956577200525E-01\n"
                  " -9.6560583336416206E-01\n -4.9852522607655242E-01\n")
set(source_c ${CC} -std=c99 ${EXAMPLES}/c/five_draws.c)
set(source_fortran ${FC} ${EXAMPLES}/fortran/five_draws.f90)
set(languages c)
if(FC)
  list(APPEND languages fortran)
endif()
foreach(language IN LISTS languages)
  run("building the ${language} example" ${source_${language}} ${flags} ${pkg_flags} -o ${WORK}/five_draws_${language})
  run("running the ${language} example" ${WORK}/five_draws_${language})
  string(JOIN "" expected "1000 bins, loss " ${draws_${language}}
         "refused: xini=0.5, xfin=-0.5: the interval must satisfy -1 <= xini < xfin <= 1\n"
         "then 1000 bins, loss ")
  string(REGEX REPLACE "loss [0-9.]+%\n" "loss " shown "${out}")
  string(FIND "${shown}" "${expected}" at)
  if(NOT at EQUAL 0)
    message(FATAL_ERROR "unexpected output of the ${language} example:\n${out}")
  endif()
  message(STATUS "${language}: built and ran the example")
endforeach()
