# tarnell_add_setup_program(<name> PACKAGE <file.msi> [PRODUCT_CODE <GUID>] [ICON <file.ico>]
#                           [OUTPUT_NAME <file name>] [NO_PACKAGE_CACHE] [NO_DEFAULT_LOG]
#                           [ELEVATION auto|never])
# makes <name>.exe (or OUTPUT_NAME) with tarnell-pack.exe at build time, so that
# it carries what the tool writes (the stripped stub, the version information,
# the icon and the package's cabinets) and the build fails with the tool's own
# line for every package the tool refuses. It runs on every build: which
# cabinets the package names is known only once the tool has read it.
include(${CMAKE_CURRENT_LIST_DIR}/InstallerPackage.cmake)

function(tarnell_add_setup_program name)
    cmake_parse_arguments(ARG "NO_PACKAGE_CACHE;NO_DEFAULT_LOG" "PACKAGE;PRODUCT_CODE;ICON;OUTPUT_NAME;ELEVATION" "" ${ARGN})
    if(NOT ARG_OUTPUT_NAME)
        set(ARG_OUTPUT_NAME ${name}.exe)
    endif()
    get_filename_component(package ${ARG_PACKAGE} ABSOLUTE)
    set(output ${CMAKE_CURRENT_BINARY_DIR}/${ARG_OUTPUT_NAME})
    set(options "")
    if(ARG_PRODUCT_CODE)
        list(APPEND options --product-code ${ARG_PRODUCT_CODE})
    endif()
    if(ARG_ICON)
        get_filename_component(icon ${ARG_ICON} ABSOLUTE)
        list(APPEND options --icon ${icon})
    endif()
    if(ARG_NO_PACKAGE_CACHE)
        list(APPEND options --no-package-cache)
    endif()
    if(ARG_NO_DEFAULT_LOG)
        list(APPEND options --no-default-log)
    endif()
    if(ARG_ELEVATION)
        list(APPEND options --elevation ${ARG_ELEVATION})
    endif()
    # The tool runs under Wine, which makes a Linux working folder the current
    # folder of drive Z:, the Linux root: there a Linux path names its own file,
    # so the tool takes and shows the host's paths.
    add_custom_target(${name} ALL
        COMMAND tarnell-pack ${options} ${package} ${output}
        WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
        BYPRODUCTS ${output}
        COMMENT "Packing ${package} into ${ARG_OUTPUT_NAME}"
        VERBATIM)
    add_dependencies(${name} tarnell-pack)
endfunction()
