# vantor_library(NAME [DEPS ...]) makes a static library of every .cpp in the
# current folder (a folder is one target); headers are included as
# "folder/File.h" from the source root.
function(vantor_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;SOURCES" ${ARGN})
  if(ARG_SOURCES)
    set(srcs ${ARG_SOURCES})
  else()
    file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/generated)
  if(ARG_DEPS)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  endif()
endfunction()

# vantor_test(NAME SOURCES... DEPS ...) builds one GoogleTest binary and
# registers its tests with CTest. Every test runs with HOME and the XDG
# folders pointed into its own temporary folder (see tests/TestEnvironment.h).
function(vantor_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;DEPS;PROPERTIES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} vantor_test_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "QT_QPA_PLATFORM=offscreen;VANTOR_BIN_DIR=${VANTOR_OUTPUT_DIR}" ${ARG_PROPERTIES})
endfunction()
