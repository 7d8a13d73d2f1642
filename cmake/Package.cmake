# A Debian package of what the install rules put in place. dpkg-shlibdeps works out the
# libraries the program links to; the SVG plugins that draw its icon and glyphs are loaded at run
# time, so no link names them: their package is listed by hand. The list view reaches into Qt's
# private widget headers, which hold only for the Qt version built against: that version's ABI is
# a dependency too.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VENDOR "Brindlewick Software")
set(CPACK_PACKAGE_CONTACT "Brindlewick Software <quorvane@brindlewick.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "process viewer with threads, modules and heaps")
set(CPACK_PACKAGE_DESCRIPTION
  "Quorvane lists every process with its icon, identifier, base priority, thread
count, executable type and full path, and for the process in focus its threads,
loaded modules and heaps. It can end a process, walk the blocks of one of its
heaps and change its priority class.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, qt6-base-abi (= ${Qt6Widgets_VERSION})")
set(CPACK_STRIP_FILES ON)
include(CPack)
