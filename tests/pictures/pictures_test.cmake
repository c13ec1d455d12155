# Renders the three pictures of tools/plot_table.gp for a table whose narrow
# last bin towers over the density.
#   cmake -DSIN_COS= -DCHECK= -DGNUPLOT= -DSCRIPT= -DWORK= -P pictures_test.cmake

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(WRITE ${WORK}/answers "-0.3 0.9 3 4 40\n")
execute_process(COMMAND ${SIN_COS} INPUT_FILE ${WORK}/answers OUTPUT_QUIET WORKING_DIRECTORY ${WORK}
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "sin_cos failed (${status})")
endif()

set(pictures "envelope Sin_Cos_g1_f1.res 1 of 40 bins clipped" "loss Sin_Cos.res 40 bins, the largest excess [0-9.e+]+ at x = 0.9, 11.54[0-9]* % in all\n")
if(CHECK)
  execute_process(COMMAND ${CHECK} --samples 100000 --histogram histogram.txt OUTPUT_QUIET WORKING_DIRECTORY ${WORK}
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "sin_cos_check failed (${status})")
  endif()
  list(APPEND pictures "histogram histogram.txt drawn from")
endif()

foreach(picture IN LISTS pictures)
  string(REGEX MATCH "^([a-z]+) ([^ ]+) (.*)$" _ "${picture}")
  set(mode ${CMAKE_MATCH_1})
  set(said "${CMAKE_MATCH_3}")
  execute_process(COMMAND ${GNUPLOT} -c ${SCRIPT} ${mode} ${CMAKE_MATCH_2} ${mode}.png WORKING_DIRECTORY ${WORK}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  file(SIZE ${WORK}/${mode}.png size)
  if(NOT status EQUAL 0 OR NOT out MATCHES "^${mode}: ${said}" OR size LESS 10000)
    message(FATAL_ERROR "the ${mode} picture (status ${status}, ${size} bytes):\n${out}")
  endif()
  message(STATUS "${out}")
endforeach()
