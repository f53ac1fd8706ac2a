# Installation and the Debian package. Included at the end of the top-level
# CMakeLists.txt, once every target exists.
#
# The program folder (${VANTOR_INSTALL_DIR}, lib/vantor-batch-export below the
# prefix) gets what the build's program folder build/bin holds: programs,
# plugins, shared libraries, Languages/, SWFControlBars/ and the help pages.
# They find each other through $ORIGIN, so the folder works wherever the
# prefix is. bin/ holds links to the two front ends; share/ the desktop entry,
# the movie types, the icons and the AppStream metainfo.

# Installs one executable, plugin or shared library into the program folder.
function(vantor_install_program target)
  install(TARGETS ${target}
    RUNTIME DESTINATION ${VANTOR_INSTALL_DIR}
    LIBRARY DESTINATION ${VANTOR_INSTALL_DIR})
  set_property(TARGET ${target} PROPERTY VANTOR_INSTALLED ON)
endfunction()

# Every executable, plugin and shared library that a product folder (one of
# VANTOR_FOLDERS) builds into the program folder is installed: a new target
# joins by building there, which is the default. One built elsewhere joins
# with vantor_install_program(target). Targets of tests and benchmarks that
# sit in the program folder (they load the plugins beside them) are not
# installed; their file names go to VANTOR_NOT_INSTALLED for the install test.
function(vantor_install_program_folder)
  set(folders ${CMAKE_SOURCE_DIR})
  set(not_installed)
  while(folders)
    list(POP_FRONT folders folder)
    get_property(subfolders DIRECTORY ${folder} PROPERTY SUBDIRECTORIES)
    list(APPEND folders ${subfolders})
    file(RELATIVE_PATH relative ${CMAKE_SOURCE_DIR} ${folder})
    set(product OFF)
    foreach(productFolder IN LISTS VANTOR_FOLDERS)
      if(relative STREQUAL productFolder OR relative MATCHES "^${productFolder}/")
        set(product ON)
      endif()
    endforeach()
    get_property(targets DIRECTORY ${folder} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target IN LISTS targets)
      get_target_property(type ${target} TYPE)
      if(type STREQUAL "EXECUTABLE")
        get_target_property(output ${target} RUNTIME_OUTPUT_DIRECTORY)
      elseif(type STREQUAL "SHARED_LIBRARY" OR type STREQUAL "MODULE_LIBRARY")
        get_target_property(output ${target} LIBRARY_OUTPUT_DIRECTORY)
      else()
        continue()
      endif()
      get_target_property(installed ${target} VANTOR_INSTALLED)
      if(NOT output STREQUAL VANTOR_OUTPUT_DIR OR installed)
        continue()
      elseif(product)
        vantor_install_program(${target})
      else()
        list(APPEND not_installed "$<TARGET_FILE_NAME:${target}>")
      endif()
    endforeach()
  endwhile()
  set(VANTOR_NOT_INSTALLED ${not_installed} PARENT_SCOPE)
endfunction()
vantor_install_program_folder()

# Folders of data that the build puts into the program folder without an
# install rule of their own. A folder that is not built yet is skipped.
install(DIRECTORY ${VANTOR_OUTPUT_DIR}/SWFControlBars DESTINATION ${VANTOR_INSTALL_DIR} OPTIONAL)

# bin/vantor-batch-export and bin/vantor-batch-export-cli are relative links
# into the program folder. The programs find their folder through
# /proc/self/exe, which names the link's target.
cmake_path(RELATIVE_PATH VANTOR_INSTALL_DIR BASE_DIRECTORY bin OUTPUT_VARIABLE program_folder_from_bin)
set(link_dir ${CMAKE_BINARY_DIR}/install-links)
file(MAKE_DIRECTORY ${link_dir})
foreach(program IN ITEMS vantor-batch-export vantor-batch-export-cli)
  file(CREATE_LINK ${program_folder_from_bin}/${program} ${link_dir}/${program} SYMBOLIC)
  install(FILES ${link_dir}/${program} DESTINATION bin)
endforeach()

# Desktop integration: the application id names the desktop entry, the
# metainfo and the icon alike.
set(VANTOR_APP_ID com.corvane.VantorBatchExport)
set(desktop_dir ${CMAKE_SOURCE_DIR}/resources/desktop)
install(FILES ${desktop_dir}/${VANTOR_APP_ID}.desktop DESTINATION share/applications)
install(FILES ${desktop_dir}/${VANTOR_APP_ID}.metainfo.xml DESTINATION share/metainfo)
install(FILES ${desktop_dir}/vantor-batch-export.xml DESTINATION share/mime/packages)
install(FILES ${desktop_dir}/${VANTOR_APP_ID}.svg DESTINATION share/icons/hicolor/scalable/apps)

# The bitmap icons are drawn from the scalable one at build time.
find_program(RSVG_CONVERT rsvg-convert)
if(RSVG_CONVERT)
  set(icon_outputs)
  foreach(size IN ITEMS 16 22 24 32 48 64 128 256)
    set(icon ${CMAKE_BINARY_DIR}/icons/${size}x${size}/${VANTOR_APP_ID}.png)
    add_custom_command(OUTPUT ${icon}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}x${size}
      COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${icon} ${desktop_dir}/${VANTOR_APP_ID}.svg
      DEPENDS ${desktop_dir}/${VANTOR_APP_ID}.svg
      COMMENT "Icon ${size}x${size}"
      VERBATIM)
    list(APPEND icon_outputs ${icon})
    install(FILES ${icon} DESTINATION share/icons/hicolor/${size}x${size}/apps)
  endforeach()
  add_custom_target(desktop_icons ALL DEPENDS ${icon_outputs})
else()
  message(STATUS "rsvg-convert not found (librsvg2-bin): only the scalable icon is installed")
endif()

# Debian wants the copyright and a compressed changelog in the package's
# documentation folder; a package without a Debian revision in its version
# is native and calls it changelog.gz.
set(doc_dir share/doc/vantor-batch-export)
set(changelog_gz ${CMAKE_BINARY_DIR}/package-doc/changelog.gz)
add_custom_command(OUTPUT ${changelog_gz}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/package-doc
  COMMAND gzip -9 -n -c ${desktop_dir}/changelog > ${changelog_gz}
  DEPENDS ${desktop_dir}/changelog
  COMMENT "Compressing the package changelog")
add_custom_target(package_changelog ALL DEPENDS ${changelog_gz})
install(FILES ${desktop_dir}/copyright DESTINATION ${doc_dir})
install(FILES ${changelog_gz} DESTINATION ${doc_dir})

# `cpack -G DEB` in the build folder makes the package; its dependencies are
# worked out by dpkg-shlibdeps from the libraries the binaries link.
set(CPACK_PACKAGE_NAME vantor-batch-export)
set(CPACK_PACKAGE_VENDOR "Corvane")
set(CPACK_PACKAGE_CONTACT "Corvane Vantor team <vantor@corvane.com>" CACHE STRING "Maintainer of the Debian package")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "batch export of Vantor screen-recording movies")
# The summary becomes the synopsis line; no line of the long text may start
# with a dot.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Lists screen-recording movies of the Vantor family (plain and compressed),\n"
  "then exports every one of them in one run to AVI, or converts movies saved\n"
  "by the old 1.4 recorder to the current movie format. A terminal front end\n"
  "runs the same batch from scripts.")
string(JOIN "" CPACK_DEBIAN_PACKAGE_DESCRIPTION ${CPACK_DEBIAN_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CPACK_PACKAGING_INSTALL_PREFIX}/${VANTOR_INSTALL_DIR})
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Opening a help page and the file manager's "open with" go through xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)

if(VANTOR_TESTS)
  # Needs root: it runs the installed program as the user nobody.
  add_test(NAME InstalledProgramConverts
    COMMAND ${CMAKE_SOURCE_DIR}/tests/install/installed-program-converts.sh
            ${CMAKE_BINARY_DIR} ${VANTOR_INSTALL_DIR} ${VANTOR_NOT_INSTALLED})
  set_tests_properties(InstalledProgramConverts PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
endif()
# The package is made from the plain build, not the sanitizers' one.
if(VANTOR_TESTS AND NOT VANTOR_SANITIZE)
  add_test(NAME DesktopFilesAndPackageLint
    COMMAND ${CMAKE_SOURCE_DIR}/tests/install/desktop-files-and-package-lint.sh ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR})
  set_tests_properties(DesktopFilesAndPackageLint PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 600)
endif()
