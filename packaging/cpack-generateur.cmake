# Read by CPack for each generator. The .deb holds the install component "deb", stripped, and
# is not made without dpkg-shlibdeps: CPack would then write a package with no dependencies.
if(CPACK_GENERATOR STREQUAL "DEB")
    find_program(BRIVANE_SHLIBDEPS dpkg-shlibdeps)
    if(NOT BRIVANE_SHLIBDEPS)
        message(FATAL_ERROR "The .deb needs dpkg-shlibdeps: bash scripts/deps.sh package")
    endif()
    string(REPLACE ";ALL;" ";deb;" CPACK_INSTALL_CMAKE_PROJECTS "${CPACK_INSTALL_CMAKE_PROJECTS}")
    set(CPACK_STRIP_FILES ON)
endif()
