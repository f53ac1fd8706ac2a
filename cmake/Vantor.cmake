# vantor_library(NAME [DEPS ...]) makes a static library of every .cpp in the
# current folder (a folder is one target); headers are included as
# "folder/File.h" from the source root.
#
# SHARED makes a shared library (libvantor-NAME.so in the program's folder)
# instead: the layers whose state must exist once per process (the live
# message targets, the settings watcher, the trace transport, the component
# registry) are shared, so that the program and every plugin it loads use
# the same instance.
function(vantor_library name)
  cmake_parse_arguments(ARG "SHARED" "" "DEPS;SOURCES" ${ARGN})
  if(ARG_SOURCES)
    set(srcs ${ARG_SOURCES})
  else()
    file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  if(srcs AND ARG_SHARED)
    add_library(${name} SHARED ${srcs})
    set_target_properties(${name} PROPERTIES OUTPUT_NAME vantor-${name})
    # Calls inside the library need not go through the PLT.
    target_compile_options(${name} PRIVATE -fno-semantic-interposition)
    target_link_options(${name} PRIVATE -Wl,--no-undefined)
    set(scope PUBLIC)
  elseif(srcs)
    add_library(${name} STATIC ${srcs})
    set(scope PUBLIC)
  else()
    # A folder whose sources have not arrived yet still gives its target.
    add_library(${name} INTERFACE)
    set(scope INTERFACE)
  endif()
  target_include_directories(${name} ${scope} ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/generated)
  if(ARG_DEPS)
    target_link_libraries(${name} ${scope} ${ARG_DEPS})
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
    PROPERTIES TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "QT_QPA_PLATFORM=offscreen" ${ARG_PROPERTIES})
endfunction()

# vantor_test_folder(PREFIX DEPS ...) builds every *Test.cpp of the current
# folder into a test binary of its own, PREFIX_<Name>Test, linked with DEPS
# and with the folder's other .cpp files (scripted stand-ins and helpers),
# which become a small library PREFIX_testsupport. Subfolders with a
# CMakeLists.txt (test plugins, child programs) are added first.
function(vantor_test_folder prefix)
  cmake_parse_arguments(ARG "" "TIMEOUT" "DEPS" ${ARGN})
  file(GLOB subdirs LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(dir IN LISTS subdirs)
    # A subfolder that is a source folder of its own (flash/swf) is added
    # by the folder loop of tests/CMakeLists.txt already.
    file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR}/tests ${dir})
    if(IS_DIRECTORY ${dir} AND EXISTS ${dir}/CMakeLists.txt AND NOT rel IN_LIST VANTOR_FOLDERS)
      add_subdirectory(${dir})
    endif()
  endforeach()
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*Test.cpp)
  file(GLOB helpers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(FILTER helpers EXCLUDE REGEX "Test\\.cpp$")
  set(deps ${ARG_DEPS})
  if(helpers)
    add_library(${prefix}_testsupport STATIC ${helpers})
    target_link_libraries(${prefix}_testsupport PUBLIC ${ARG_DEPS} vantor_test_main)
    set(deps ${prefix}_testsupport)
  endif()
  foreach(test IN LISTS tests)
    get_filename_component(name ${test} NAME_WE)
    vantor_test(${prefix}_${name} SOURCES ${test} DEPS ${deps} TIMEOUT ${ARG_TIMEOUT})
  endforeach()
endfunction()
