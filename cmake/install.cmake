# Install rules and packages. On Linux: both programs, manual pages, desktop entry, hicolor icons and bash
# completion, packaged as a Debian package (cpack -G DEB). For Windows: a zip of the two programs and a read-me.
include(GNUInstallDirs)

set(LUMIVEX_MAINTAINER "Lumivex developers <lumivex@example.org>"
    CACHE STRING "Maintainer named in the packages (\"Name <address>\")")
set(packaging ${PROJECT_SOURCE_DIR}/packaging)
set(generated ${PROJECT_BINARY_DIR}/packaging)

if(WIN32)
    # Windows cannot tell lumivex.exe from Lumivex.exe in one folder: the tool gets a folder of its own.
    if(TARGET Lumivex)
        install(TARGETS Lumivex RUNTIME DESTINATION .)
    endif()
    install(TARGETS lumivex RUNTIME DESTINATION cli)
    configure_file(${packaging}/README-windows.txt ${generated}/README.txt @ONLY NEWLINE_STYLE CRLF)
    install(FILES ${generated}/README.txt DESTINATION .)

    set(CPACK_GENERATOR ZIP)
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
    set(CPACK_PACKAGE_FILE_NAME lumivex-${PROJECT_VERSION}-windows-x64)
else()
    install(TARGETS lumivex RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    if(TARGET lumivex-gui)
        install(TARGETS lumivex-gui RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
    # A stripped install (cpack, cmake --install --strip) also drops the compiler's notes, as Debian's tools do.
    foreach(program lumivex lumivex-gui)
        if(TARGET ${program})
            install(CODE "if(CMAKE_INSTALL_DO_STRIP)
                execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment --remove-section=.note
                    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\" COMMAND_ERROR_IS_FATAL ANY)
            endif()")
        endif()
    endforeach()

    # Manual pages: the version goes into the .TH line, and Debian wants them compressed.
    set(pages lumivex.1)
    if(TARGET lumivex-gui)
        list(APPEND pages lumivex-gui.1)
    endif()
    find_program(LUMIVEX_GZIP gzip REQUIRED)
    foreach(page IN LISTS pages)
        configure_file(${packaging}/${page}.in ${generated}/${page} @ONLY)
        # -n: no name or time stamp inside, so that the same sources give the same package.
        add_custom_command(OUTPUT ${generated}/${page}.gz
            COMMAND ${LUMIVEX_GZIP} -9nc ${generated}/${page} > ${generated}/${page}.gz
            DEPENDS ${generated}/${page}
            VERBATIM)
        list(APPEND page_archives ${generated}/${page}.gz)
    endforeach()
    add_custom_target(lumivex_manual_pages ALL DEPENDS ${page_archives})
    install(FILES ${page_archives} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

    install(FILES ${packaging}/lumivex.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME lumivex)

    if(TARGET lumivex-gui)
        install(FILES ${packaging}/lumivex.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
        foreach(size 16 32 48 256)
            install(FILES ${PROJECT_SOURCE_DIR}/resources/png/icon-104-${size}.png
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME lumivex.png)
        endforeach()
        install(FILES ${PROJECT_SOURCE_DIR}/resources/svg/app-104.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME lumivex.svg)
    endif()

    # The C library, its header and pkg-config file, and the Python module when built. One package holds them
    # with the programs: they are the same code, released together, and never wanted at different versions.
    if(TARGET lumivex_library)
        # The component lets the library's tests install just these files (cmake --install --component library).
        install(TARGETS lumivex_library LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT library)
        install(FILES ${PROJECT_SOURCE_DIR}/lib/include/lumivex/lumivex.h
            DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/lumivex COMPONENT library)
        install(FILES ${generated}/lumivex.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT library)
        # The shared library's shlibs entry, and the ldconfig trigger that Debian wants instead of calls in the
        # maintainer scripts (CPack's own shlibs option adds those calls).
        file(WRITE ${generated}/shlibs "liblumivex ${PROJECT_VERSION_MAJOR} lumivex (>= ${PROJECT_VERSION})\n")
        file(WRITE ${generated}/triggers "activate-noawait ldconfig\n")
        set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${generated}/shlibs ${generated}/triggers)
        set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
    endif()
    # The Python module is built for the one Python of the build; its Dask runner and object-store mode are extras.
    # The fonts of the contact sheet's labels, Latin and Japanese (FreeType itself comes through shlibdeps).
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core, fonts-ipafont-gothic | fonts-noto-cjk")
    if(TARGET lumivex_python)
        set(CPACK_DEBIAN_PACKAGE_DEPENDS "${CPACK_DEBIAN_PACKAGE_DEPENDS}, ${LUMIVEX_PYTHON_DEPENDS}")
        set(CPACK_DEBIAN_PACKAGE_SUGGESTS "python3-distributed, python3-fsspec")
    endif()

    # What Debian asks of every package's documentation folder: the copyright and a compressed change log.
    configure_file(${packaging}/changelog.in ${generated}/changelog @ONLY)
    add_custom_command(OUTPUT ${generated}/changelog.gz
        COMMAND ${LUMIVEX_GZIP} -9nc ${generated}/changelog > ${generated}/changelog.gz
        DEPENDS ${generated}/changelog
        VERBATIM)
    # The README as well, compressed as Debian asks of documents over 4 kB.
    add_custom_command(OUTPUT ${generated}/README.md.gz
        COMMAND ${LUMIVEX_GZIP} -9nc ${PROJECT_SOURCE_DIR}/README.md > ${generated}/README.md.gz
        DEPENDS ${PROJECT_SOURCE_DIR}/README.md
        VERBATIM)
    add_custom_target(lumivex_changelog ALL DEPENDS ${generated}/changelog.gz ${generated}/README.md.gz)
    install(FILES ${packaging}/copyright ${generated}/changelog.gz ${generated}/README.md.gz
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/lumivex)

    set(CPACK_GENERATOR DEB)
    # A Debian package installs under /usr whatever prefix the build was configured with (/usr/local by default).
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_NAME lumivex)
    set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    # Depends from the libraries the programs link, found by dpkg-shlibdeps (package dpkg-dev).
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    # Qt's own words in the window (Yes, No, the file dialog) in the user's language; the window runs without.
    if(TARGET lumivex-gui)
        set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
    endif()
    # The long description; CPack puts the summary line above it.
    set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Lumivex replaces, exports, deletes, regenerates and checks the
thumbnail that cameras store in the Exif block of a JPEG photo, keeping
the photo's other Exif fields, a backup of the previous file and its times.

This package holds the command-line tool lumivex, for single photos and
whole folders, the desktop window lumivex-gui, and liblumivex, a C library
(with its header and pkg-config file) for the same work in memory or on
files; with the Python module lumivex when it was built.")
endif()

set(CPACK_PACKAGE_NAME lumivex)
set(CPACK_PACKAGE_VENDOR "Lumivex developers")
set(CPACK_PACKAGE_CONTACT ${LUMIVEX_MAINTAINER})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "edit the thumbnail embedded in the Exif data of JPEG photos")
set(CPACK_STRIP_FILES ON)
# Directories as Debian and every unpacker expect them, whatever the umask of the build.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# A source archive (make package_source) without git's data and the build folders.
set(CPACK_SOURCE_GENERATOR TXZ)
set(CPACK_SOURCE_PACKAGE_FILE_NAME lumivex-${PROJECT_VERSION})
set(CPACK_SOURCE_IGNORE_FILES "/[.]git/" "/build/" "/bench/work/")
include(CPack)
