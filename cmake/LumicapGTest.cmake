# GoogleTest for the test programs: a cross build (scripts/test-windows)
# compiles Debian's googletest sources with its own compiler; elsewhere the
# installed one.
set(LUMICAP_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for a cross build")
if(TARGET GTest::gtest)
  return()
endif()
if(CMAKE_CROSSCOMPILING AND EXISTS ${LUMICAP_GTEST_SOURCE}/CMakeLists.txt)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${LUMICAP_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
  find_package(GTest REQUIRED)
endif()
