# Writes the ProductCode of PACKAGE (from its Property table) to OUTPUT as
# 38 ASCII characters without a line end; PRODUCT_CODE, when set, wins.
if(NOT PRODUCT_CODE)
    execute_process(COMMAND msiinfo export ${PACKAGE} Property
                    OUTPUT_VARIABLE properties RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "msiinfo export ${PACKAGE} Property failed: ${result}")
    endif()
    string(REGEX MATCH "(^|\n)ProductCode\t([^\r\n]*)" match "${properties}")
    set(PRODUCT_CODE "${CMAKE_MATCH_2}")
endif()
# CMake's regular expressions have no counted repetition.
set(hex "[0-9A-Fa-f]")
string(REPEAT ${hex} 4 hex4)
string(REPEAT ${hex} 8 hex8)
string(REPEAT ${hex} 12 hex12)
if(NOT PRODUCT_CODE MATCHES "^{${hex8}-${hex4}-${hex4}-${hex4}-${hex12}}$")
    message(FATAL_ERROR "${PACKAGE}: no valid ProductCode (got '${PRODUCT_CODE}')")
endif()
# Rewritten only when it changes, so that the launcher is not relinked for nothing.
file(WRITE ${OUTPUT}.new "${PRODUCT_CODE}")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
