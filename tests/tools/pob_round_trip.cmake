# pob dump then pob build must give back every file byte for byte.
#   -DPOB=<pob> -DWORKDIR=<dir> -DFILES=<a.pob;b.pob...>
file(MAKE_DIRECTORY "${WORKDIR}")
foreach(file ${FILES})
  get_filename_component(name "${file}" NAME)
  execute_process(COMMAND "${POB}" dump "${file}" OUTPUT_FILE "${WORKDIR}/${name}.txt"
                  RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "pob dump ${file} failed (${rc})")
  endif()
  execute_process(COMMAND "${POB}" build "${WORKDIR}/${name}.txt" -o "${WORKDIR}/${name}" --force
                  RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "pob build of ${name}.txt failed (${rc}): ${err}")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${file}" "${WORKDIR}/${name}"
                  RESULT_VARIABLE differ)
  if(NOT differ EQUAL 0)
    message(FATAL_ERROR "${file} does not survive dump and build")
  endif()
endforeach()
list(LENGTH FILES n)
message(STATUS "${n} files round-tripped")
