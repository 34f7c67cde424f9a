# Run by CPack after it wrote the archive (CPACK_POST_BUILD_SCRIPTS): writes each archive again
# with sorted entries, fixed times and permissions (release_archive.py canonical-zip).
foreach(archive IN LISTS CPACK_PACKAGE_FILES)
    execute_process(COMMAND ${CPACK_LUMBREL_CANONICAL_COMMAND} ${archive}
                    RESULT_VARIABLE canonical_result)
    if(NOT canonical_result EQUAL 0)
        message(FATAL_ERROR "${archive}: could not be written in canonical form")
    endif()
endforeach()
