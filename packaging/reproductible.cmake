# Run by CPack before and after it makes an archive, so that the same sources make the same
# archive whenever they are built: before, every file and folder takes the date of the sources'
# last change; after, a .tar.gz is compressed again without the date of gzip's header.
if(NOT CPACK_PACKAGE_FILES)
    file(GLOB_RECURSE entrees LIST_DIRECTORIES true "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
    execute_process(COMMAND touch -h -d @${CPACK_BRIVANE_DATE} ${entrees}
        ${CPACK_TEMPORARY_INSTALL_DIRECTORY} COMMAND_ERROR_IS_FATAL ANY)
endif()
foreach(archive ${CPACK_PACKAGE_FILES})
    if(archive MATCHES "\\.tar\\.gz$")
        execute_process(COMMAND sh -c [[gzip -dc "$0" | gzip -9n >"$0.n" && mv "$0.n" "$0"]]
            ${archive} COMMAND_ERROR_IS_FATAL ANY)
    endif()
endforeach()
