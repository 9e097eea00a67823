# tarnell-delayload: links the launcher's calls into these system libraries so that
# each library loads on first use, not when the process starts. At start the
# loader still looks beside the executable (a Downloads folder, say), and these
# libraries pull in others that are not protected there (Wine's user32.dll imports
# version.dll); on first use the search is already confined to the system
# directory. cmake/delayload/<library>.def lists the functions the launcher calls:
# a call missing there is imported at start again, which the launcher's planted
# DLL test catches.
set(delayLoadDir ${CMAKE_BINARY_DIR}/delayload)
file(MAKE_DIRECTORY ${delayLoadDir})
set(delayLoadLibs "")
foreach(library gdi32 ole32 shell32 shlwapi user32)
    set(def ${CMAKE_CURRENT_LIST_DIR}/delayload/${library}.def)
    set(lib ${delayLoadDir}/lib${library}-delay.a)
    # dlltool names the library's symbols after the output path it is given: a
    # bare file name keeps the build folder's path out of the programs.
    add_custom_command(OUTPUT ${lib}
        COMMAND ${CMAKE_DLLTOOL} --input-def ${def} --output-delaylib lib${library}-delay.a
        WORKING_DIRECTORY ${delayLoadDir}
        DEPENDS ${def}
        VERBATIM)
    list(APPEND delayLoadLibs ${lib})
endforeach()
add_custom_target(tarnell-delayload-libs DEPENDS ${delayLoadLibs})
add_library(tarnell-delayload INTERFACE)
# Whole archives, so that their definitions are in place before the linker meets
# the ordinary import libraries; a launcher names tarnell-delayload before tarnell,
# which puts them ahead of tarnell's own system libraries.
target_link_libraries(tarnell-delayload INTERFACE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${delayLoadLibs}>" delayimp)
add_dependencies(tarnell-delayload tarnell-delayload-libs)
