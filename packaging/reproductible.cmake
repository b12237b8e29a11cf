# Run by CPack before and after it makes an archive, so that the same sources make the same
# archive whenever they are built: before, every file and folder takes the date of the sources'
# last change; after, a .tar.gz is compressed again without the date of gzip's header, and a
# .zip, where CMake's writer records when each file's inode last changed (which no date can
# set), is made again by Info-ZIP's zip without those fields, its files in name order.
if(NOT CPACK_PACKAGE_FILES)
    file(GLOB_RECURSE entrees LIST_DIRECTORIES true "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
    execute_process(COMMAND touch -h -d @${CPACK_BRIVANE_DATE} ${entrees}
        ${CPACK_TEMPORARY_INSTALL_DIRECTORY} COMMAND_ERROR_IS_FATAL ANY)
endif()
foreach(archive ${CPACK_PACKAGE_FILES})
    if(archive MATCHES "\\.tar\\.gz$")
        execute_process(COMMAND sh -c [[gzip -dc "$0" | gzip -9n >"$0.n" && mv "$0.n" "$0"]]
            ${archive} COMMAND_ERROR_IS_FATAL ANY)
    elseif(archive MATCHES "\\.zip$")
        set(dossier ${archive}.d)
        file(REMOVE_RECURSE ${dossier})
        file(ARCHIVE_EXTRACT INPUT ${archive} DESTINATION ${dossier})
        file(REMOVE ${archive})
        execute_process(COMMAND sh -c [[find . -type f | LC_ALL=C sort | TZ=UTC0 zip -X -q -@ "$0"]]
            ${archive} WORKING_DIRECTORY ${dossier} COMMAND_ERROR_IS_FATAL ANY)
        file(REMOVE_RECURSE ${dossier})
    endif()
endforeach()
