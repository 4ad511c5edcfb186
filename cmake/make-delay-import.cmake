# Makes the delay-import library OUTPUT for DLL from the code symbols of its import library
# (cmake -P; NM, DLLTOOL, DLL, IMPORT_LIBRARY, OUTPUT, PROCESSOR).
execute_process(COMMAND ${NM} --defined-only -g ${IMPORT_LIBRARY} OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCHALL "[^\n]+ T [^\n]+" lines "${symbols}")
set(exports "")
foreach(line ${lines})
  string(REGEX REPLACE ".* T " "" name "${line}")
  # i686 names carry the C underscore; dlltool's --kill-at takes the @N of stdcall names off the export.
  if(PROCESSOR STREQUAL "i686")
    string(REGEX REPLACE "^_" "" name "${name}")
  endif()
  string(APPEND exports "  ${name}\n")
endforeach()
get_filename_component(folder ${OUTPUT} DIRECTORY)
file(WRITE ${folder}/${DLL}.def "LIBRARY ${DLL}.dll\nEXPORTS\n${exports}")
execute_process(COMMAND ${DLLTOOL} --kill-at --input-def ${folder}/${DLL}.def --dllname ${DLL}.dll
                        --output-delaylib ${OUTPUT} COMMAND_ERROR_IS_FATAL ANY)
