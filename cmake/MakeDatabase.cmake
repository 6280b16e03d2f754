# Builds one delivered database file from SQL text sources.
# Usage: cmake -DSQLITE3=... -DOUTPUT=file -DSOURCES="a.sql;b.sql" [-DUPGRADE=tool] -P MakeDatabase.cmake
# With UPGRADE, the file made from the sources is then brought to the current schema version
# by the program's own upgrade steps.
# The file is built under a temporary name and moved into place, so a failed build never
# leaves a half-made database behind.
set(tmp "${OUTPUT}.tmp")
file(REMOVE "${tmp}")
set(reads "")
foreach(src IN LISTS SOURCES)
  list(APPEND reads ".read '${src}'")
endforeach()
execute_process(
  COMMAND "${SQLITE3}" -bail "${tmp}" ${reads} "PRAGMA integrity_check;"
  RESULT_VARIABLE rc
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT out MATCHES "ok")
  file(REMOVE "${tmp}")
  message(FATAL_ERROR "Building ${OUTPUT} failed: ${err}${out}")
endif()
if(UPGRADE)
  execute_process(COMMAND "${UPGRADE}" "${tmp}" RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    file(REMOVE "${tmp}")
    message(FATAL_ERROR "Upgrading ${OUTPUT} failed: ${err}")
  endif()
endif()
file(RENAME "${tmp}" "${OUTPUT}")
