# Read by CPack for each kind of package (LinuxRelease.cmake): the tarball
# holds LICENSE and README.md at its top, the Debian package its copyright and
# changelog where Debian keeps them.
if(CPACK_GENERATOR STREQUAL "DEB")
    set(CPACK_COMPONENTS_ALL program debian)
else()
    set(CPACK_COMPONENTS_ALL program archive)
    set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
endif()
