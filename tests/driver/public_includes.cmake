# The tool is the library's first client: its sources include the installed
# headers (sin_cos/...) and their own (driver/...), nothing of the library's
# inside, so that whatever the tool needs a simulation can have too.
file(GLOB sources ${DRIVER}/*.cpp ${DRIVER}/*.hpp)
foreach(source IN LISTS sources)
  file(STRINGS ${source} included REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line IN LISTS included)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" name "${line}")
    if(NOT name MATCHES "^(sin_cos|driver)/")
      message(FATAL_ERROR "${source} includes ${name}, which is not a public header nor the tool's own")
    endif()
  endforeach()
endforeach()
list(LENGTH sources count)
if(count LESS 10)
  message(FATAL_ERROR "only ${count} sources found in ${DRIVER}")
endif()
