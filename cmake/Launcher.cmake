# tarnell_add_launcher(<name>
#     [PACKAGE <file.msi>]                   the "msi" resource
#     [PRODUCT_CODE <text> | PRODUCT_CODE_FROM_PACKAGE]    the "product_code" resource
#     [RESOURCES <file.rc>...])              more resources, for tests
# builds <name>.exe: the launcher code, its manifest and the resources asked for.
include(${CMAKE_CURRENT_LIST_DIR}/DelayLoad.cmake)

function(tarnell_add_launcher name)
    cmake_parse_arguments(ARG "PRODUCT_CODE_FROM_PACKAGE" "PACKAGE;PRODUCT_CODE" "RESOURCES" ${ARGN})
    set(dir ${CMAKE_CURRENT_BINARY_DIR}/${name}.resources)
    set(rc ${dir}/resources.rc)
    set(lines "")
    set(depends "")
    if(ARG_PACKAGE)
        string(APPEND lines "MSI RCDATA \"${ARG_PACKAGE}\"\n")
        list(APPEND depends ${ARG_PACKAGE})
    endif()
    if(ARG_PRODUCT_CODE_FROM_PACKAGE)
        set(codeFile ${dir}/product_code.txt)
        add_custom_command(OUTPUT ${codeFile}
            COMMAND ${CMAKE_COMMAND} -DPACKAGE=${ARG_PACKAGE} -DPRODUCT_CODE=${TARNELL_PRODUCT_CODE}
                    -DOUTPUT=${codeFile} -P ${TARNELL_SOURCE_DIR}/cmake/ProductCode.cmake
            DEPENDS ${ARG_PACKAGE} ${TARNELL_SOURCE_DIR}/cmake/ProductCode.cmake
            VERBATIM)
        string(APPEND lines "PRODUCT_CODE RCDATA \"${codeFile}\"\n")
        list(APPEND depends ${codeFile})
    elseif(DEFINED ARG_PRODUCT_CODE)
        set(codeFile ${dir}/product_code.txt)
        file(WRITE ${codeFile} "${ARG_PRODUCT_CODE}")
        string(APPEND lines "PRODUCT_CODE RCDATA \"${codeFile}\"\n")
    endif()
    file(CONFIGURE OUTPUT ${rc} CONTENT "${lines}")

    add_executable(${name} WIN32 ${TARNELL_SOURCE_DIR}/wrapper/main.cpp ${TARNELL_SOURCE_DIR}/wrapper/manifest.rc
                   ${ARG_RESOURCES})
    # windres refuses a script without resources.
    if(lines)
        target_sources(${name} PRIVATE ${rc})
        set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${depends}")
    endif()
    # The system libraries behind tarnell load on first use: see DelayLoad.cmake (order matters).
    target_link_libraries(${name} PRIVATE tarnell-delayload tarnell-launcher-logic tarnell)
    # Sections on page boundaries in the file too: Wine then maps them straight from
    # the file instead of reading them in, which a package of hundreds of MiB feels.
    target_link_options(${name} PRIVATE -municode -Wl,--file-alignment=4096)
    # Small beats fast here, as in the library (see the top CMakeLists.txt).
    target_compile_options(${name} PRIVATE -Os)
    tarnell_warnings(${name})
endfunction()
