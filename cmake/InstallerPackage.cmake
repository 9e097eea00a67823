# tarnell_check_installer_package(<variable>): stops the configure, naming the
# file, when the file in <variable> is missing or is no installer package, so
# that the mistake shows at once rather than as a failed build. Every installer
# package is an OLE compound file, which starts with these 8 bytes.
function(tarnell_check_installer_package variable)
    set(file ${${variable}})
    if(NOT EXISTS "${file}")
        message(FATAL_ERROR "${variable}: ${file}: no such file")
    elseif(IS_DIRECTORY "${file}")
        message(FATAL_ERROR "${variable}: ${file}: a folder, not an installer package")
    endif()
    file(READ "${file}" signature LIMIT 8 HEX)
    if(NOT signature STREQUAL "d0cf11e0a1b11ae1")
        message(FATAL_ERROR "${variable}: ${file}: not an installer package")
    endif()
endfunction()
