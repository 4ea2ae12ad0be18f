# SPDX-License-Identifier: MIT
# Install layout, desktop integration and the Debian package (cpack -G DEB).
#
# The window finds its branding file, icon and help pages beside its real path, so all of them go into one
# private folder and the bin folder gets a relative symlink to the program there; the program resolves the
# link through /proc/self/exe. The companion needs none of those files and goes on the PATH as it is.
include(GNUInstallDirs)

set(TERVANE_APP_ID "org.tervane.Tervane" CACHE STRING "Reverse-DNS id of the desktop entry, icon and metainfo")
set(TERVANE_PRIVATE_DIR "lib/tervane" CACHE STRING "Folder below the prefix for the window and its files")
set(TERVANE_PACKAGE_CONTACT "The Tervane developers <tervane@invalid>" CACHE STRING "Maintainer of the package")

install(TARGETS tervane-watch RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

if(TARGET tervane)
    set(runtime_dir ${CMAKE_BINARY_DIR}/bin)
    install(TARGETS tervane RUNTIME DESTINATION ${TERVANE_PRIVATE_DIR})
    install(FILES ${runtime_dir}/icon.ico DESTINATION ${TERVANE_PRIVATE_DIR})
    if(COMMAND tervane_install_branding)
        # The branding file's help links are absolute, so it is written anew for the installed pages.
        tervane_install_branding(DESTINATION ${TERVANE_PRIVATE_DIR} HELP_DESTINATION ${TERVANE_PRIVATE_DIR}/help)
    else()
        install(FILES ${runtime_dir}/zezeruda.dll DESTINATION ${TERVANE_PRIVATE_DIR})
        install(DIRECTORY ${runtime_dir}/help DESTINATION ${TERVANE_PRIVATE_DIR} OPTIONAL)
    endif()

    # Relative, so the installed tree works under any prefix and inside a package's staging folder.
    file(RELATIVE_PATH launcher_target /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${TERVANE_PRIVATE_DIR}/tervane)
    set(launcher ${CMAKE_BINARY_DIR}/packaging/launcher/tervane)
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/packaging/launcher)
    file(CREATE_LINK ${launcher_target} ${launcher} SYMBOLIC)
    install(FILES ${launcher} DESTINATION ${CMAKE_INSTALL_BINDIR})

    # Desktop entry and AppStream metainfo, named after the application id as the desktop expects.
    string(TIMESTAMP TERVANE_RELEASE_DATE "%Y-%m-%d" UTC) # follows SOURCE_DATE_EPOCH when it is set
    set(desktop_file ${CMAKE_BINARY_DIR}/packaging/${TERVANE_APP_ID}.desktop)
    set(metainfo_file ${CMAKE_BINARY_DIR}/packaging/${TERVANE_APP_ID}.metainfo.xml)
    configure_file(${CMAKE_SOURCE_DIR}/packaging/tervane.desktop.in ${desktop_file} @ONLY)
    configure_file(${CMAKE_SOURCE_DIR}/packaging/tervane.metainfo.xml.in ${metainfo_file} @ONLY)
    install(FILES ${desktop_file} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${metainfo_file} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

    # Icons for the hicolor theme: the drawing itself, and bitmaps drawn by the same tool as icon.ico for
    # panels and menus that want a fixed size.
    set(icon_root ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
    install(FILES ${CMAKE_SOURCE_DIR}/app/tervane.svg DESTINATION ${icon_root}/scalable/apps
        RENAME ${TERVANE_APP_ID}.svg)
    set(icon_pngs)
    foreach(size 16 24 32 48 64 128 256)
        set(png ${CMAKE_BINARY_DIR}/packaging/icons/${size}/${TERVANE_APP_ID}.png)
        add_custom_command(OUTPUT ${png}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging/icons/${size}
            COMMAND tervane-make-icon --png ${size} ${png}
            DEPENDS tervane-make-icon
            COMMENT "Drawing the ${size} pixel desktop icon"
            VERBATIM)
        list(APPEND icon_pngs ${png})
        install(FILES ${png} DESTINATION ${icon_root}/${size}x${size}/apps)
    endforeach()
    add_custom_target(tervane_desktop_icons ALL DEPENDS ${icon_pngs})

    # For the tests that validate what is installed.
    set(TERVANE_DESKTOP_FILE ${desktop_file})
    set(TERVANE_METAINFO_FILE ${metainfo_file})
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tervane)
set(CPACK_PACKAGE_VENDOR "The Tervane developers")
set(CPACK_PACKAGE_CONTACT ${TERVANE_PACKAGE_CONTACT})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "live directory-change monitor")
set(CPACK_PACKAGE_DESCRIPTION "Tervane watches one directory, optionally with its whole subtree, and keeps a \
live log of every change the kernel reports there: entries added, removed, modified and renamed. The companion \
command tervane-watch prints the same log on a terminal, or as JSON lines for scripts.")
# Staged through DESTDIR, so install rules see the real prefix (the branding file's links name it).
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# Dependencies come from the libraries the programs link (dpkg-shlibdeps), never from a hand-kept list.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The help menu opens pages and links through xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xdg-utils)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
