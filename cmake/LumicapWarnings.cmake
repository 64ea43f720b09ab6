# The warnings of every library and program the project builds, in one
# place: lumicap_warnings(<dir>...) gives them to each compiled target of
# those folders and the folders below them (not to GoogleTest, which a cross
# build compiles from its own sources). What the code passes today stays
# passed: LUMICAP_WERROR, on in the presets scripts/test runs, makes any
# warning an error.
option(LUMICAP_WERROR "Treat compiler warnings as errors" OFF)

if(NOT TARGET lumicap_warning_flags)
  add_library(lumicap_warning_flags INTERFACE)
  target_compile_options(lumicap_warning_flags INTERFACE
    -Wall -Wextra -Wpedantic -Wnon-virtual-dtor -Woverloaded-virtual -Wcast-qual -Wformat=2
    -Wold-style-cast -Wdouble-promotion -Wextra-semi -Wredundant-decls
    # The tests' table rows leave the members they do not need to their defaults.
    -Wno-missing-field-initializers
    $<$<CXX_COMPILER_ID:GNU>:-Wduplicated-cond -Wlogical-op>
    $<$<BOOL:${LUMICAP_WERROR}>:-Werror>)
endif()

function(lumicap_warnings)
  cmake_path(GET CMAKE_CURRENT_FUNCTION_LIST_DIR PARENT_PATH root)
  foreach(dir ${ARGN})
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target ${targets})
      get_target_property(type ${target} TYPE)
      if(type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY)$")
        target_link_libraries(${target} PRIVATE lumicap_warning_flags)
      endif()
    endforeach()
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(subdir ${subdirs})
      cmake_path(IS_PREFIX root "${subdir}" NORMALIZE inside)
      if(inside)
        lumicap_warnings(${subdir})
      endif()
    endforeach()
  endforeach()
endfunction()
