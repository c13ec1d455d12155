# Builds caller_hash.cpp against the sampler archive as simulations might
# build their own code, and checks that every build draws the pinned stream.
#   cmake -DSOURCE= -DINCLUDES="DIR;DIR" -DARCHIVE= -DWORK= -DCOMPILERS="g++;clang++" -P flags_test.cmake

set(pinned 5e8e9b975eb73a15)  # 2.11 4 -1 1 1000 --tight, std::mt19937_64(12345), 10^6 draws
set(flag_sets "-O2 -ffp-contract=off" "-O0" "-O2" "-O3")
file(MAKE_DIRECTORY ${WORK})
list(TRANSFORM INCLUDES PREPEND -I)

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
    execute_process(COMMAND ${compiler} -std=c++20 ${args} ${INCLUDES} ${SOURCE} ${ARCHIVE} -o ${WORK}/caller
                    RESULT_VARIABLE status ERROR_VARIABLE err)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "${compiler} ${flags}: the caller does not build:\n${err}")
    endif()
    execute_process(COMMAND ${WORK}/caller RESULT_VARIABLE status OUTPUT_VARIABLE hash ERROR_VARIABLE err
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT status EQUAL 0 OR NOT hash STREQUAL pinned)
      message(FATAL_ERROR "${compiler} ${flags}: 10^6 draws hash to '${hash}', not ${pinned} ${err}")
    endif()
    message(STATUS "${compiler} ${flags}: ${hash}")
  endforeach()
endforeach()
