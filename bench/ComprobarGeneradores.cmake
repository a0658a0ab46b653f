# The benchmark's inputs must stay valid and repeatable: a small synthetic
# school made twice from the same seed is the same file, the export accepts
# it, SOLUC is made from the export's tables, and the import accepts both.
file(REMOVE_RECURSE "${DIR}")
file(MAKE_DIRECTORY "${DIR}/htemp")

function(ejecutar)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE estado OUTPUT_VARIABLE salida ERROR_VARIABLE error)
  if(NOT estado EQUAL 0)
    message(FATAL_ERROR "Falló: ${ARGN}\n${salida}${error}")
  endif()
  set(salida "${salida}" PARENT_SCOPE)
endfunction()

ejecutar("${CENTRO}" --escala 3 --semilla 7 --salida "${DIR}/centro.xml")
ejecutar("${CENTRO}" --escala 3 --semilla 7 --salida "${DIR}/otra.xml")
file(SHA256 "${DIR}/centro.xml" primero)
file(SHA256 "${DIR}/otra.xml" segundo)
if(NOT primero STREQUAL segundo)
  message(FATAL_ERROR "La misma escala y semilla dieron dos archivos distintos.")
endif()

ejecutar("${CLI}" exportar "${DIR}/centro.xml" --htemp "${DIR}/htemp" --json)
# Three blocks of 20 groups, 60 teachers and 35 periods: one record each;
# about 15 subjects per group, less the few without a code.
foreach(tabla_minimo GRUPOST:60:60 PROFT:180:180 DIASHORAST:105:105 ASIGT:800:1000 AULAT:120:120)
  string(REPLACE ":" ";" partes "${tabla_minimo}")
  list(GET partes 0 tabla)
  list(GET partes 1 minimo)
  list(GET partes 2 maximo)
  string(REGEX MATCH "\"${tabla}\": ([0-9]+)" _ "${salida}")
  if(CMAKE_MATCH_1 STREQUAL "" OR CMAKE_MATCH_1 LESS minimo OR CMAKE_MATCH_1 GREATER maximo)
    message(FATAL_ERROR "La exportación dio «${CMAKE_MATCH_1}» registros en ${tabla} "
                        "(se esperaban de ${minimo} a ${maximo}):\n${salida}")
  endif()
endforeach()

ejecutar("${SOLUC}" --htemp "${DIR}/htemp" --semilla 7)
ejecutar("${CLI}" importar "${DIR}/centro.xml" --htemp "${DIR}/htemp" --json)
string(REGEX MATCH "\"clases\": ([0-9]+)" _ "${salida}")
set(clases "${CMAKE_MATCH_1}")
string(REGEX MATCH "\"tareas\": ([0-9]+)" _ "${salida}")
set(tareas "${CMAKE_MATCH_1}")
if(NOT clases GREATER 2000 OR NOT tareas GREATER 1500)
  message(FATAL_ERROR "La importación escribió pocas actividades:\n${salida}")
endif()

# The same school in ISO-8859-1 gives the same tables (after their header's
# date of last update).
ejecutar("${CENTRO}" --escala 3 --semilla 7 --latin1 --salida "${DIR}/latin1.xml")
file(READ "${DIR}/latin1.xml" declaracion LIMIT 60)
if(NOT declaracion MATCHES "encoding=\"ISO-8859-1\"")
  message(FATAL_ERROR "El centro en Latin-1 no lo declara: ${declaracion}")
endif()
file(MAKE_DIRECTORY "${DIR}/htemp-latin1")
ejecutar("${CLI}" exportar "${DIR}/latin1.xml" --htemp "${DIR}/htemp-latin1")
foreach(tabla ASIGNOMT PROFT AULAT GRUPOST DIASHORAST COUNTSES ASIGT)
  file(READ "${DIR}/htemp/${tabla}.DBF" utf8 OFFSET 4 HEX)
  file(READ "${DIR}/htemp-latin1/${tabla}.DBF" latin1 OFFSET 4 HEX)
  if(NOT utf8 STREQUAL latin1)
    message(FATAL_ERROR "${tabla} del centro en Latin-1 difiere del mismo centro en UTF-8.")
  endif()
endforeach()
