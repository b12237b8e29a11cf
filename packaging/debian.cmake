# The Debian package, made by CPack's DEB generator beside the .tar.gz: the same programs laid
# out as a desktop install, from the install component "deb". The .tar.gz and a plain
# `cmake --install` keep the one-folder layout; `cmake --install build --component deb
# --prefix /usr/local` gives this one. Included from the top CMakeLists.txt (Linux only).
set(BRIVANE_DEB ${CMAKE_BINARY_DIR}/deb)

# The man pages and the changelog are installed compressed, without a time stamp; the icon is
# drawn from the machine's font.
set(fichiers ${BRIVANE_DEB}/brivane.svg)
add_custom_command(OUTPUT ${BRIVANE_DEB}/brivane.svg
    COMMAND ${CMAKE_COMMAND} -E make_directory ${BRIVANE_DEB}
    COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/make-icon.sh ${BRIVANE_DEB}
    DEPENDS ${PROJECT_SOURCE_DIR}/scripts/make-icon.sh ${PROJECT_SOURCE_DIR}/src/cpu.cpp)
foreach(source brivane.6 brivane-trace.1 changelog)
    add_custom_command(OUTPUT ${BRIVANE_DEB}/${source}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${BRIVANE_DEB}
        COMMAND gzip -9nc ${CMAKE_CURRENT_LIST_DIR}/${source} > ${BRIVANE_DEB}/${source}.gz
        DEPENDS ${CMAKE_CURRENT_LIST_DIR}/${source})
    list(APPEND fichiers ${BRIVANE_DEB}/${source}.gz)
endforeach()
add_custom_target(brivane_deb_files ALL DEPENDS ${fichiers})

function(installer_deb destination)
    install(${ARGN} DESTINATION ${destination} COMPONENT deb EXCLUDE_FROM_ALL)
endfunction()
installer_deb(games TARGETS brivane brivane-trace)
# brivane finds these from its own folder: games/../share/games/brivane.
installer_deb(share/games/brivane/sound FILES ${PROJECT_SOURCE_DIR}/sound/beep.wav)
installer_deb(share/games/brivane/roms FILES ${PROJECT_SOURCE_DIR}/roms/demo.ch8)
installer_deb(share/man/man6 FILES ${BRIVANE_DEB}/brivane.6.gz)
installer_deb(share/man/man1 FILES ${BRIVANE_DEB}/brivane-trace.1.gz)
installer_deb(share/applications FILES ${CMAKE_CURRENT_LIST_DIR}/brivane.desktop)
installer_deb(share/icons/hicolor/scalable/apps FILES ${BRIVANE_DEB}/brivane.svg)
installer_deb(share/doc/brivane FILES ${CMAKE_CURRENT_LIST_DIR}/copyright
    ${BRIVANE_DEB}/changelog.gz)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_PACKAGE_CONTACT "The Brivane developers <brivane@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "CHIP-8 interpreter with a window, a keypad and a beep")
# Lines of at most 80 characters, as Debian asks of a description.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Brivane plays CHIP-8 programs (ROMs), the games and demos of the small virtual\n"
    "machine with a 64x32 black-and-white screen, a sixteen-key keypad and a beep.\n"
    "It asks for the ROM's path on a console, then runs it in a 512x256 window, with\n"
    "the numeric keypad as the machine's keypad. A demo ROM comes with it.\n"
    "\n"
    "brivane-trace runs a ROM without a window, with scripted keys, and reports the\n"
    "screen, the beeps and the registers: a tool for ROM authors.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # brivane_<version>_<architecture>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON) # the dependencies, from the linked libraries
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/cpack-generateur.cmake)
