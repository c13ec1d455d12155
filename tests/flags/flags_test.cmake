# Builds caller_hash.cpp against the sampler archive as simulations might
# build their own code, and checks that every build draws the pinned stream.
# Each build's object stays in WORK with the compiler's list of what it read,
# and is compiled again only when one of those files changed; every caller is
# linked against the archive of this run.
#   cmake -DSOURCE= -DINCLUDES="DIR;DIR" -DARCHIVE= -DWORK= -DCOMPILERS="g++;clang++" -P flags_test.cmake

set(pinned 5e8e9b975eb73a15)  # 2.11 4 -1 1 1000 --tight, std::mt19937_64(12345), 10^6 draws
set(flag_sets "-O2 -ffp-contract=off" "-O0" "-O2" "-O3")
file(MAKE_DIRECTORY ${WORK})
list(TRANSFORM INCLUDES PREPEND -I)

# True when the object is missing or older than a file its dependency list names.
function(stale object result)
  set(${result} TRUE PARENT_SCOPE)
  if(NOT EXISTS ${object} OR NOT EXISTS ${object}.d)
    return()
  endif()
  file(READ ${object}.d deps)
  string(REGEX REPLACE "\\\\\n" " " deps "${deps}")
  string(REGEX REPLACE "^[^:]*:" "" deps "${deps}")
  separate_arguments(deps UNIX_COMMAND "${deps}")
  foreach(dep IN LISTS deps)
    if(NOT EXISTS ${dep} OR ${dep} IS_NEWER_THAN ${object})
      return()
    endif()
  endforeach()
  set(${result} FALSE PARENT_SCOPE)
endfunction()

foreach(compiler IN LISTS COMPILERS)
  # Fused multiply-adds are what could change a caller's stream: ask for them
  # wherever the machine has them.
  file(WRITE ${WORK}/fma_probe.cpp "#ifndef __FMA__\n#error no FMA\n#endif\nint main() { return 0; }\n")
  execute_process(COMMAND ${compiler} -march=native ${WORK}/fma_probe.cpp -o ${WORK}/fma_probe
                  RESULT_VARIABLE no_fma OUTPUT_QUIET ERROR_QUIET)
  set(sets ${flag_sets})
  if(no_fma EQUAL 0)
    list(APPEND sets "-O3 -march=native" "-O2 -ffp-contract=fast -march=native" "-O2 -ffp-contract=fast -mfma")
  else()
    message(STATUS "${compiler}: this machine has no FMA, the fused builds are not tried")
  endif()
  foreach(flags IN LISTS sets)
    separate_arguments(args UNIX_COMMAND "${flags}")
    string(MD5 tag "${compiler} ${flags}")
    set(object ${WORK}/caller_${tag}.o)
    stale(${object} compile)
    if(compile)
      execute_process(COMMAND ${compiler} -std=c++20 ${args} ${INCLUDES} -MD -MF ${object}.d -c ${SOURCE}
                              -o ${object}
                      RESULT_VARIABLE status ERROR_VARIABLE err)
      if(NOT status EQUAL 0)
        file(REMOVE ${object})
        message(FATAL_ERROR "${compiler} ${flags}: the caller does not build:\n${err}")
      endif()
    endif()
    execute_process(COMMAND ${compiler} ${args} ${object} ${ARCHIVE} -o ${WORK}/caller
                    RESULT_VARIABLE status ERROR_VARIABLE err)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "${compiler} ${flags}: the caller does not link:\n${err}")
    endif()
    execute_process(COMMAND ${WORK}/caller RESULT_VARIABLE status OUTPUT_VARIABLE hash ERROR_VARIABLE err
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT status EQUAL 0 OR NOT hash STREQUAL pinned)
      message(FATAL_ERROR "${compiler} ${flags}: 10^6 draws hash to '${hash}', not ${pinned} ${err}")
    endif()
    if(compile)
      message(STATUS "${compiler} ${flags}: ${hash}")
    else()
      message(STATUS "${compiler} ${flags}: ${hash} (the object of an earlier run, linked again)")
    endif()
  endforeach()
endforeach()
