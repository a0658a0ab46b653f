# Checks the help file beside the program: every page is in it and the
# context number 3, which F1 asks for, leads to the main topic.
# Variables: CHMLS (the chmls program), CHM (the help file), WORK (a scratch folder).
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(COPY ${CHM} DESTINATION ${WORK})

execute_process(COMMAND ${CHMLS} -n -p list EKADE.chm WORKING_DIRECTORY ${WORK}
                OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "chmls list failed: ${status}")
endif()
foreach(page index.html exportar.html importar.html lineaordenes.html htemp.html mensajes.html EKADE.hhc)
  if(NOT listing MATCHES "/${page}")
    message(FATAL_ERROR "${page} is not in the help file:\n${listing}")
  endif()
endforeach()

execute_process(COMMAND ${CHMLS} extractalias EKADE.chm WORKING_DIRECTORY ${WORK} RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT EXISTS ${WORK}/EKADE.ali)
  message(FATAL_ERROR "chmls extractalias failed: ${status}")
endif()
file(READ ${WORK}/EKADE.ali aliases)
file(READ ${WORK}/EKADE.h contexts)
# The topic must be named as it is inside the file, not by a path on disk.
if(NOT aliases MATCHES "(^|\n)helpid3=index\\.html" OR NOT contexts MATCHES "helpid3 3")
  message(FATAL_ERROR "context 3 does not lead to index.html:\n${aliases}\n${contexts}")
endif()
