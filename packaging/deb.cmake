# The Debian package: `cpack -G DEB` in the build folder turns the install tree into
# kestrin_<version>_<arch>.deb with everything under /usr. Included last from the top-level
# CMakeLists.txt, after every install rule.

set(CPACK_PACKAGE_NAME kestrin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "the Kestrin developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "GIF frame series editor with a Japanese user interface")
# The control file's lines stay under 80 columns; CPack marks the empty ones.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Kestrin takes one GIF picture and turns it into a series of frames by"
  "applying an effect step by step: rotation by a growing angle, a shift of"
  "the red, green and blue components, or a checkerboard mesh of transparent"
  "cells of growing size. It previews the series as an animation and saves"
  "one GIF file per frame or one animated GIF. It also writes bordered"
  "comments on pictures and lays a piece of one picture onto another with"
  "one colour keyed out."
  ""
  "The batch commands (kestrin rotate, colour, mesh, comment) do the same"
  "work without a window."
  ""
  "The package also carries the Pellory GIF library and the Tessaly BMP/JPEG"
  "conversion library with their headers and CMake packages.")
set(CPACK_PACKAGE_CONTACT "Kestrin developers <kestrin@example.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Debian ships stripped objects; the debug information stays in the build tree.
set(CPACK_STRIP_FILES ON)

# Also what a bare `cpack` or the `package` target makes.
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps adds the libraries the program and libraries link; the UI font is only found
# at run time by name, and Qt's own dialogs find their Japanese texts (qtbase_ja) as files.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# The libraries are in the loader's own folder, so the loader cache is refreshed by the trigger.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/debian/triggers)

# The copyright file, changelog and manual page Debian wants belong to the package only: they go
# in a component that `cmake --install` leaves out and that CPack installs after the default one.
set(deb_changelog ${CMAKE_CURRENT_LIST_DIR}/debian/changelog)
file(STRINGS ${deb_changelog} deb_changelog_top LIMIT_COUNT 1)
if(NOT deb_changelog_top MATCHES "^kestrin \\(${PROJECT_VERSION}\\) ")
  message(WARNING "packaging/debian/changelog does not start with an entry for ${PROJECT_VERSION}")
endif()
# Both are compressed at most and without a time stamp, so that the package is reproducible; a
# native package's changelog is changelog.gz.
foreach(deb_source debian/changelog debian/kestrin.1)
  get_filename_component(deb_name ${deb_source} NAME)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
               ${CMAKE_CURRENT_LIST_DIR}/${deb_source})
  execute_process(COMMAND gzip -9nc INPUT_FILE ${CMAKE_CURRENT_LIST_DIR}/${deb_source}
                  OUTPUT_FILE ${CMAKE_BINARY_DIR}/packaging/${deb_name}.gz
                  RESULT_VARIABLE deb_gzip_status)
  if(NOT deb_gzip_status EQUAL 0)
    message(FATAL_ERROR "gzip failed on packaging/${deb_source}")
  endif()
endforeach()
install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kestrin COMPONENT debian EXCLUDE_FROM_ALL)
install(FILES ${CMAKE_BINARY_DIR}/packaging/kestrin.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT debian EXCLUDE_FROM_ALL)
set(CPACK_INSTALL_CMAKE_PROJECTS
    "${CMAKE_BINARY_DIR};${PROJECT_NAME};ALL;/"
    "${CMAKE_BINARY_DIR};${PROJECT_NAME};debian;/")

include(CPack)
