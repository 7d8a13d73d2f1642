# A Debian package of what the install rules put in place. dpkg-shlibdeps works out the
# libraries the program links to; the SVG plugins that draw its icon and glyphs are loaded at run
# time, so no link names them: their package is the one that holds them on the building machine
# (libqt6svg6 on Debian 12, qt6-svg-plugins from Debian 13 on).
set(svg_plugins_package libqt6svg6)
set(svg_icon_plugin ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS}/iconengines/libqsvgicon.so)
if(EXISTS ${svg_icon_plugin})
  execute_process(COMMAND dpkg-query --search ${svg_icon_plugin} OUTPUT_VARIABLE owner
    RESULT_VARIABLE failed ERROR_QUIET)
  if(NOT failed AND owner MATCHES "^([^:, ]+)")
    set(svg_plugins_package ${CMAKE_MATCH_1})
  endif()
endif()
# The list view reaches into Qt's private widget headers, which hold only for the Qt version built
# against: the ABI that Qt's core package provides for that (qt6-base-abi on Debian 12,
# qt6-base-private-abi from Debian 13 on) is a dependency too.
set(qt_abi_dependency "")
get_target_property(qt_core_library Qt6::Core LOCATION)
file(REAL_PATH ${qt_core_library} qt_core_library)
execute_process(COMMAND dpkg-query --search ${qt_core_library} OUTPUT_VARIABLE owner
  RESULT_VARIABLE failed ERROR_QUIET)
if(NOT failed AND owner MATCHES "^([^, ]+):")
  execute_process(COMMAND dpkg-query -W -f=\${Provides} ${CMAKE_MATCH_1}
    OUTPUT_VARIABLE provides ERROR_QUIET)
  if(provides MATCHES "(qt6-base-private-abi \\(= [^)]+\\))")
    set(qt_abi_dependency ", ${CMAKE_MATCH_1}")
  elseif(provides MATCHES "(qt6-base-abi \\(= [^)]+\\))")
    set(qt_abi_dependency ", ${CMAKE_MATCH_1}")
  endif()
endif()
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
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${QUORVANE_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${svg_plugins_package}${qt_abi_dependency}")
set(CPACK_STRIP_FILES ON)
include(CPack)
