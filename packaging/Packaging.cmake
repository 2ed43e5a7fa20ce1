# Installation layout of a Linux desktop program (binaries, desktop entry, hicolor icons,
# AppStream metainfo, man pages, copyright file) and the Debian package built from it by CPack.
# Other systems (the Windows cross build of the network core) have no use for any of it.
if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux")
    return()
endif()
include(GNUInstallDirs)

set(ZENTRILO_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})
set(ZENTRILO_METAINFO org.zentrilo.zentrilo.metainfo.xml)
# The files that carry the version, the release date or the licence get them here.
set(ZENTRILO_CONFIGURED_DIR ${CMAKE_CURRENT_BINARY_DIR}/packaging/configured)

# The release month as man pages show it, "December 2026".
string(SUBSTRING ${ZENTRILO_RELEASE_DATE} 0 4 release_year)
string(SUBSTRING ${ZENTRILO_RELEASE_DATE} 5 2 release_month)
math(EXPR release_month "${release_month} - 1")
set(month_names January February March April May June July August September October November
    December)
list(GET month_names ${release_month} release_month)
set(ZENTRILO_RELEASE_MONTH "${release_month} ${release_year}")

# The package's copyright file in Debian's machine-readable format, from LICENSE: its holder
# line and its terms, indented, with "." for a blank line.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" unused "${license}")
set(ZENTRILO_COPYRIGHT ${CMAKE_MATCH_1})
string(FIND "${license}" "Permission is hereby granted" terms_start)
string(SUBSTRING "${license}" ${terms_start} -1 terms)
string(STRIP "${terms}" terms)
string(REPLACE "\n\n" "\n.\n" terms "${terms}")
string(REPLACE "\n" "\n " terms "${terms}")
set(ZENTRILO_LICENSE_TERMS " ${terms}")
configure_file(${ZENTRILO_PACKAGING_DIR}/copyright.in ${ZENTRILO_CONFIGURED_DIR}/copyright @ONLY)
install(FILES ${ZENTRILO_CONFIGURED_DIR}/copyright
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zentrilo)

install(TARGETS zentrilo-check RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Man pages go out gzip-compressed as Debian expects; without gzip they go out as they are.
find_program(ZENTRILO_GZIP gzip)
function(zentrilo_install_man_page page)
    set(source ${ZENTRILO_CONFIGURED_DIR}/${page})
    configure_file(${ZENTRILO_PACKAGING_DIR}/${page}.in ${source} @ONLY)
    set(dest ${CMAKE_INSTALL_MANDIR}/man1)
    if(NOT ZENTRILO_GZIP)
        install(FILES ${source} DESTINATION ${dest})
        return()
    endif()
    set(staged ${CMAKE_CURRENT_BINARY_DIR}/packaging/${page})
    # -n keeps the name and time stamp out of the archive, so rebuilt packages are identical.
    add_custom_command(OUTPUT ${staged}.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${source} ${staged}
        COMMAND ${ZENTRILO_GZIP} -9nf ${staged}
        DEPENDS ${source}
        VERBATIM)
    add_custom_target(zentrilo_man_${page} ALL DEPENDS ${staged}.gz)
    install(FILES ${staged}.gz DESTINATION ${dest})
endfunction()

zentrilo_install_man_page(zentrilo-check.1)

if(NOT ZENTRILO_NET_ONLY)
    zentrilo_install_man_page(zentrilo.1)
    install(FILES ${ZENTRILO_PACKAGING_DIR}/zentrilo.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    configure_file(${ZENTRILO_PACKAGING_DIR}/${ZENTRILO_METAINFO}.in
        ${ZENTRILO_CONFIGURED_DIR}/${ZENTRILO_METAINFO} @ONLY)
    install(FILES ${ZENTRILO_CONFIGURED_DIR}/${ZENTRILO_METAINFO}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

    set(icons ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
    foreach(size IN ITEMS 16 32 48)
        install(FILES ${PROJECT_SOURCE_DIR}/resources/tray-${size}.png
            DESTINATION ${icons}/${size}x${size}/apps RENAME zentrilo.png)
    endforeach()
    install(FILES ${PROJECT_SOURCE_DIR}/resources/zentrilo-128.png
        DESTINATION ${icons}/128x128/apps RENAME zentrilo.png)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/zentrilo.svg
        DESTINATION ${icons}/scalable/apps)
endif()

# A staged install into the build tree, checked the way an installed system is checked.
if(ZENTRILO_BUILD_TESTS AND NOT ZENTRILO_NET_ONLY)
    add_test(NAME packaging_installed_layout
        COMMAND ${ZENTRILO_PACKAGING_DIR}/check-installed.sh --stage ${CMAKE_BINARY_DIR}
            ${CMAKE_CURRENT_BINARY_DIR}/packaging/stage)
    set_tests_properties(packaging_installed_layout PROPERTIES ENVIRONMENT CMAKE=${CMAKE_COMMAND})
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zentrilo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Zentrilo developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "tray notifier for Yahoo! Messenger buddies coming online or going offline")
set(CPACK_PACKAGE_DESCRIPTION
    "Zentrilo lives in the notification area and watches a short list of Yahoo! Messenger IDs, \
each on its own interval. It asks web services about each ID and shows a notification when \
the answer changes; it can also detect buddies who are online but invisible.\n\
The package also holds zentrilo-check, which diagnoses the network and the services from a \
terminal.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Zentrilo developers")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's windowing plugins are only recommended by Qt itself, yet the window cannot open without
# them, nor the presence history without Qt's SQLite driver (a plugin too); xdg-open opens the
# web pages and the messenger links.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
