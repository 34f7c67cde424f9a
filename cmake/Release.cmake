# The release archive, lumbrel-<version>-win32.zip, made by CPack's ZIP generator:
#   cmake --build --preset win32 --target package
# It holds the DLL as built, the user guide as one HTML page (docs/user-guide.md with its
# pictures embedded), BUILDINFO (commit, source date, the tools' versions) and SHA256SUMS. The
# same rules install those four files into a folder: cmake --install build/win32 --prefix DIR.
# The archive is reproducible: every time in it is the source date (SOURCE_DATE_EPOCH, else the
# commit's time), and its entries' order and permissions are fixed.

set(LUMBREL_RELEASE_PYTHON /usr/bin/python3 CACHE FILEPATH
    "The Python that writes the release files (it needs the markdown module, python3-markdown)")
set(release_script ${PROJECT_SOURCE_DIR}/tools/release_archive.py)

install(TARGETS orvanelumbrel RUNTIME DESTINATION .)

# After the DLL: the guide, BUILDINFO, and the checksums of all three.
set(release_files_command "${LUMBREL_RELEASE_PYTHON}" "${release_script}" files
    --version "${LUMBREL_VERSION}" --source-dir "${PROJECT_SOURCE_DIR}"
    --compiler "${CMAKE_CXX_COMPILER}" --linker "${CMAKE_LINKER}")
set(quoted_command "")
foreach(argument IN LISTS release_files_command)
    string(APPEND quoted_command " [==[${argument}]==]")
endforeach()
install(CODE "
    execute_process(COMMAND ${quoted_command} --cmake-version \${CMAKE_VERSION}
                            \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\"
                    RESULT_VARIABLE release_files_result)
    if(NOT release_files_result EQUAL 0)
        message(FATAL_ERROR \"The release files could not be written\")
    endif()")

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME lumbrel)
set(CPACK_PACKAGE_VENDOR Orvane)
set(CPACK_PACKAGE_VERSION ${LUMBREL_VERSION})
set(CPACK_PACKAGE_FILE_NAME lumbrel-${LUMBREL_VERSION}-win32)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Lumbrel, the staff-pushing plug-in (orvanelumbrel.dll)")
# CPack's own archive carries the staged files' access and change times, owner and directory
# order: this script writes it again in the one form its contents give.
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/CanonicalArchive.cmake)
set(CPACK_LUMBREL_CANONICAL_COMMAND "${LUMBREL_RELEASE_PYTHON}" "${release_script}"
    canonical-zip --source-dir "${PROJECT_SOURCE_DIR}")
include(CPack)
