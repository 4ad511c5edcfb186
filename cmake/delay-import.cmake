# Delay-loaded imports: the DLL is loaded on the first call into it instead of at process start, which keeps
# DLLs that start-up does not need off the way to the first window. MinGW has no delay-import libraries, so
# one is made per DLL from the exports that its import library names.
function(tovlane_delay_import target)
  foreach(dll ${ARGN})
    set(library ${CMAKE_BINARY_DIR}/delay-import/lib${dll}-delay.a)
    add_custom_command(OUTPUT ${library}
      COMMAND ${CMAKE_COMMAND} -DNM=${CMAKE_NM} -DDLLTOOL=${TOVLANE_DLLTOOL} -DDLL=${dll}
              -DIMPORT_LIBRARY=${CMAKE_FIND_ROOT_PATH}/lib/lib${dll}.a -DOUTPUT=${library}
              -DPROCESSOR=${CMAKE_SYSTEM_PROCESSOR} -P ${CMAKE_SOURCE_DIR}/cmake/make-delay-import.cmake
      DEPENDS ${CMAKE_SOURCE_DIR}/cmake/make-delay-import.cmake VERBATIM)
    add_custom_target(${target}_delay_${dll} DEPENDS ${library})
    add_dependencies(${target} ${target}_delay_${dll})
    target_link_libraries(${target} PRIVATE ${library})
  endforeach()
  target_link_libraries(${target} PRIVATE delayimp)
endfunction()
