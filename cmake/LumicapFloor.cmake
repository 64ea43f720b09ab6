# lumicap_floor(<floor> <sources>...): the library lumicap_<floor> of the
# folder src/<floor>. Its headers are reached as "<floor>/File.h" through a
# directory of the build tree that holds only this floor's headers (each
# forwarding to its source), so that code sees the headers of the floors its
# library links and no others: an include that climbs a floor does not
# compile.
function(lumicap_floor floor)
  add_library(lumicap_${floor} STATIC ${ARGN})
  set(dir ${CMAKE_BINARY_DIR}/floors/${floor})
  file(GLOB headers CONFIGURE_DEPENDS RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  file(GLOB stale RELATIVE ${dir}/${floor} ${dir}/${floor}/*.h)
  foreach(header ${stale})
    if(NOT header IN_LIST headers)
      file(REMOVE ${dir}/${floor}/${header})
    endif()
  endforeach()
  foreach(header ${headers})
    file(CONFIGURE OUTPUT ${dir}/${floor}/${header}
         CONTENT "#include \"${CMAKE_CURRENT_SOURCE_DIR}/${header}\"\n" @ONLY)
  endforeach()
  target_include_directories(lumicap_${floor} PUBLIC ${dir})
endfunction()
