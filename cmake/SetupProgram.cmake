# tarnell_add_setup_program(<name> PACKAGE <file.msi> [PRODUCT_CODE <GUID>] [ICON <file.ico>])
# makes <name>.exe with tarnell-pack.exe at build time, so that it carries what
# the tool writes (the stripped stub, the version information, the icon and the
# package's cabinets) and the build fails with the tool's own line for every
# package the tool refuses. It runs on every build: which cabinets the package
# names is known only once the tool has read it.
function(tarnell_add_setup_program name)
    cmake_parse_arguments(ARG "" "PACKAGE;PRODUCT_CODE;ICON" "" ${ARGN})
    # The tool runs under Wine, whose drive Z: is the Linux root.
    get_filename_component(package ${ARG_PACKAGE} ABSOLUTE)
    set(output ${CMAKE_CURRENT_BINARY_DIR}/${name}.exe)
    set(options "")
    if(ARG_PRODUCT_CODE)
        list(APPEND options --product-code ${ARG_PRODUCT_CODE})
    endif()
    if(ARG_ICON)
        get_filename_component(icon ${ARG_ICON} ABSOLUTE)
        list(APPEND options --icon Z:${icon})
    endif()
    add_custom_target(${name} ALL
        COMMAND tarnell-pack ${options} Z:${package} Z:${output}
        BYPRODUCTS ${output}
        COMMENT "Packing ${ARG_PACKAGE} into ${name}.exe"
        VERBATIM)
    add_dependencies(${name} tarnell-pack)
endfunction()
