# What an install puts where, and the archives CPack makes. Included from the top CMakeLists.txt.
#
# The default install is the desktop layout, wherever GNUInstallDirs points: the programs in
# the binary folder, the beep and the demo in the data folder, the man pages, the desktop entry,
# the icon and the AppStream metainfo. Debian's games layout is -DCMAKE_INSTALL_BINDIR=games
# -DCMAKE_INSTALL_DATADIR=share/games. The one-folder archive and the Windows zip are the
# component "dossier", which the default install leaves out.

set(BRIVANE_ID org.example.brivane) # the AppStream id, which names the desktop entry too
# Folders made by the install are readable by all, whatever the umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

if(NOT WIN32)
    install(TARGETS brivane brivane-trace DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES sound/beep.wav DESTINATION ${CMAKE_INSTALL_DATADIR}/brivane/sound)
    install(FILES roms/demo.ch8 DESTINATION ${CMAKE_INSTALL_DATADIR}/brivane/roms)
    install(FILES packaging/brivane.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
    install(FILES packaging/brivane-trace.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES packaging/${BRIVANE_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
    install(FILES packaging/${BRIVANE_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)
    # The icon, drawn from the machine's own font, as a drawing and as the pictures that
    # software centres show.
    set(icones ${CMAKE_BINARY_DIR}/icones)
    set(tailles 48 64 128)
    set(fichiers ${icones}/brivane.svg)
    foreach(taille ${tailles})
        list(APPEND fichiers ${icones}/${taille}/brivane.png)
        install(FILES ${icones}/${taille}/brivane.png
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${taille}x${taille}/apps)
    endforeach()
    add_custom_command(OUTPUT ${fichiers}
        COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/make-icon.sh ${icones} ${tailles}
        DEPENDS ${PROJECT_SOURCE_DIR}/scripts/make-icon.sh ${PROJECT_SOURCE_DIR}/src/cpu.cpp)
    add_custom_target(brivane_icone ALL DEPENDS ${fichiers})
    install(FILES ${icones}/brivane.svg
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)
endif()

# The folder a user unpacks: the program with its beep beside it, the demo ROM, the licence and
# a README. The program looks for sound/beep.wav from the folder it is started in, then beside
# itself.
function(dossier)
    install(${ARGN} COMPONENT dossier EXCLUDE_FROM_ALL)
endfunction()
dossier(TARGETS brivane DESTINATION .)
dossier(FILES sound/beep.wav DESTINATION sound)
dossier(FILES roms/demo.ch8 DESTINATION roms)
if(WIN32)
    # The zip's text files end their lines as Notepad does, so that every Notepad shows them.
    configure_file(docs/README-windows.txt README.txt @ONLY NEWLINE_STYLE CRLF) # the version
    configure_file(LICENSE LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
    # The demo's path, so that a double-click plays it.
    file(WRITE ${CMAKE_BINARY_DIR}/PATHROM.txt "roms\\demo.ch8\r\n")
    dossier(FILES ${CMAKE_BINARY_DIR}/README.txt ${CMAKE_BINARY_DIR}/PATHROM.txt
        ${CMAKE_BINARY_DIR}/LICENSE.txt DESTINATION .)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME brivane-win)
else()
    dossier(TARGETS brivane-trace DESTINATION .)
    dossier(FILES README.md LICENSE DESTINATION .)
    set(CPACK_GENERATOR TGZ)
    set(CPACK_PACKAGE_FILE_NAME brivane-${PROJECT_VERSION}-linux-x86_64)
endif()
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL dossier)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)

# The same sources make the same archive: every file dated from the last change
# (SOURCE_DATE_EPOCH, which packaging tools set; else the last commit's date).
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    find_package(Git QUIET)
    if(GIT_FOUND)
        execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct
            WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} OUTPUT_VARIABLE BRIVANE_DATE
            OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    endif()
else()
    set(BRIVANE_DATE $ENV{SOURCE_DATE_EPOCH})
endif()
if(BRIVANE_DATE)
    set(CPACK_BRIVANE_DATE ${BRIVANE_DATE})
    set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/reproductible.cmake)
    set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/reproductible.cmake)
endif()
