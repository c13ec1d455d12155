# Renders the three pictures of tools/plot_table.gp for a table whose narrow
# last bin towers over the density, then the envelope picture of laws whose
# density the plot file's six decimals cannot hold (a maximum near 1e-51, near
# 1e-5 and near 1e-300, and one law of a table of several), and checks in the
# data the picture draws that the envelope covers every point of the density.
#   cmake -DSIN_COS= -DCHECK= -DGNUPLOT= -DSCRIPT= -DWORK= -P pictures_test.cmake

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(WRITE ${WORK}/answers "-0.3 0.9 3 4 40\n")
execute_process(COMMAND ${SIN_COS} INPUT_FILE ${WORK}/answers OUTPUT_QUIET WORKING_DIRECTORY ${WORK}
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "sin_cos failed (${status})")
endif()

set(pictures "envelope Sin_Cos_g1_f1.res 1 of 40 bins clipped at [0-9.]+. 0 of [0-9]+ points of the density above it" "loss Sin_Cos.res 40 bins, the largest excess [0-9.e+]+ at x = 0.9, 11.54[0-9]* % in all\n")
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

# The last: the second law of a table of three, the one the plot file shows.
set(laws "--tight 0.2 0.9 1000 60 1000|in units of 1e-51" "-- 0 1 30 10 1000|in units of 1e-5"
         "--tight 0.9 1 833 0 1000|in units of 1e-301"
         "--tight --bins 1000 --law -1 1 2 4 --law 0.2 0.9 1000 60 --law 0 1 30 10 --plot 2|in units of 1e-51")
set(k 0)
foreach(law IN LISTS laws)
  math(EXPR k "${k} + 1")
  string(REPLACE "|" ";" parts "${law}")
  list(GET parts 0 answers)
  list(GET parts 1 scale)
  separate_arguments(answers)
  set(dir ${WORK}/law${k})
  file(MAKE_DIRECTORY ${dir})
  execute_process(COMMAND ${SIN_COS} ${answers} OUTPUT_QUIET ERROR_QUIET WORKING_DIRECTORY ${dir} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "sin_cos ${answers} failed (${status})")
  endif()
  execute_process(COMMAND ${GNUPLOT} -c ${SCRIPT} envelope Sin_Cos_g1_f1.res envelope.png Sin_Cos.res drawn.txt
                  WORKING_DIRECTORY ${dir} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT status EQUAL 0 OR NOT out MATCHES "${scale}" OR NOT EXISTS ${dir}/drawn.txt)
    message(FATAL_ERROR "the envelope picture of ${answers} (status ${status}):\n${out}")
  endif()
  # Each line: x, the density drawn there, the envelope's height drawn there.
  file(STRINGS ${dir}/drawn.txt points REGEX "^[-0-9]")
  list(LENGTH points count)
  set(positive 0)
  foreach(point IN LISTS points)
    string(REPLACE " " ";" v "${point}")
    list(GET v 1 density)
    list(GET v 2 height)
    if(density GREATER height)
      message(FATAL_ERROR "${answers}: the envelope (${height}) is drawn below the density (${density}) at ${point}")
    endif()
    if(density GREATER 0.01)
      math(EXPR positive "${positive} + 1")
    endif()
  endforeach()
  # A density drawn flat at 0 would be covered by anything.
  if(count LESS 4000 OR positive LESS 100)
    message(FATAL_ERROR "${answers}: ${count} points drawn, ${positive} of them visibly above 0")
  endif()
  message(STATUS "${answers}: ${out}")
endforeach()
