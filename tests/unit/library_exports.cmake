# Checks that the native plug-in library exports exactly the six entry points: run with
# -DNM=<nm> -DLIBRARY=<liborvanelumbrel.so>. Every defined dynamic symbol counts, so a stray
# export of any kind fails.
set(expected FinaleExtensionEnumerate FinaleExtensionGetMenuStatus FinaleExtensionInit
             FinaleExtensionInvoke FinaleExtensionTerminate FinaleExtensionVersion)

execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY}
                OUTPUT_VARIABLE listing RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "nm failed on ${LIBRARY}: ${errors}")
endif()

set(functions)
set(others)
string(REPLACE "\n" ";" lines "${listing}")
foreach(line IN LISTS lines)
    if(line MATCHES "^[0-9a-fA-F]* *([A-Za-z]) (.+)$")
        set(type ${CMAKE_MATCH_1})
        set(name ${CMAKE_MATCH_2})
        if(type MATCHES "^[TtWi]$")
            list(APPEND functions ${name})
        else()
            list(APPEND others "${type} ${name}")
        endif()
    endif()
endforeach()
list(SORT functions)

if(NOT functions STREQUAL expected)
    message(FATAL_ERROR "exported functions: ${functions}\nexpected: ${expected}")
endif()
if(others)
    message(FATAL_ERROR "other exported symbols: ${others}")
endif()
message(STATUS "exports: ${functions}")
