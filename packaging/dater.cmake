# Run by CPack on the folder it is about to archive: every file and folder takes the date of
# the sources' last change, so that the archive does not depend on when it was made.
file(GLOB_RECURSE entrees LIST_DIRECTORIES true "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
execute_process(COMMAND touch -h -d @${CPACK_BRIVANE_DATE} ${entrees}
    ${CPACK_TEMPORARY_INSTALL_DIRECTORY} COMMAND_ERROR_IS_FATAL ANY)
