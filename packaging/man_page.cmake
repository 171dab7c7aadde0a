# Writes s7host(1) with help2man from `s7host --help` and each command's help, so the manual says
# what the program says. Run by the s7host_man_page target: -DS7HOST= -DHELP2MAN= -DVERSION= -DOUTPUT=
set(include_file "${OUTPUT}.include")
set(sections "")
foreach(topic serve scan check info list version demo)
  execute_process(COMMAND ${S7HOST} help ${topic} OUTPUT_VARIABLE help RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "s7host help ${topic} failed")
  endif()
  string(REPLACE "\\" "\\\\" help "${help}")
  string(TOUPPER "${topic}" title)
  string(APPEND sections "[COMMAND ${title}]\n.nf\n${help}.fi\n\n")
endforeach()
file(WRITE "${include_file}" "${sections}")
execute_process(
  COMMAND ${HELP2MAN} --no-info --no-discard-stderr --version-string=${VERSION}
          "--name=monitor S7 PLCs: scans, checks and a Prometheus exporter"
          --include=${include_file} --output=${OUTPUT} ${S7HOST}
  RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "help2man failed")
endif()
