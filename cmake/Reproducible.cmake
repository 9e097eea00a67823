# The programs carry no path of the machine that built them: source positions
# (__FILE__) name files relative to the repository or the build folder, and a
# Windows image carries no link time. The same sources then make the same
# programs, byte for byte, from any checkout.
get_filename_component(repositoryRoot ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
add_compile_options(-ffile-prefix-map=${repositoryRoot}/= -ffile-prefix-map=${CMAKE_BINARY_DIR}/=)
if(WIN32)
    add_link_options(-Wl,--no-insert-timestamp)
endif()
