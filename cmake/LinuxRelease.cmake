# The native tarnell-pack as released (make dist, tools/dist): linked so that it
# runs on any x86-64 Linux with glibc, without the build tree, and packed by
# CPack into a tarball (bin/tarnell-pack, its manual page, LICENSE and
# README.md) and a Debian package (/usr/bin/tarnell-pack, the manual page, and
# the copyright and changelog Debian's policy asks for in
# /usr/share/doc/tarnell). The version is the one the program prints.

# The C++ library goes inside the program: distributions ship different
# versions of it, while glibc keeps its old symbols forever. GCC's own runtime,
# libgcc_s, every glibc system has (glibc itself loads it); linked in, it
# would ask for glibc 2.35's _dl_find_object.
target_link_options(tarnell-pack PRIVATE -static-libstdc++)

file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/../pack/core/Pack.h versionLine REGEX "toolVersion\\[\\] = ")
string(REGEX REPLACE ".*\"(.+)\".*" "\\1" TARNELL_VERSION "${versionLine}")

set(release ${CMAKE_CURRENT_LIST_DIR}/..)
set(debian ${release}/pack/linux/debian)
# Compressed as Debian has them: gzip -n keeps the file's name and time out.
foreach(file IN ITEMS ${release}/pack/linux/tarnell-pack.1 ${debian}/changelog)
    get_filename_component(name ${file} NAME)
    add_custom_command(OUTPUT ${name}.gz COMMAND gzip -9n <${file} >${name}.gz DEPENDS ${file})
endforeach()
# Made with the program, which is all that make pack builds before make dist packs them.
add_custom_target(release-documents DEPENDS tarnell-pack.1.gz changelog.gz)
add_dependencies(tarnell-pack release-documents)

# Debian's machine-readable copyright, its licence text the one of LICENSE.
file(READ ${release}/LICENSE licence)
string(FIND "${licence}" "Permission is hereby granted" permission)
string(SUBSTRING "${licence}" ${permission} -1 expat)
string(STRIP "${expat}" expat)
string(REPLACE "\n\n" "\n.\n" expat "${expat}")
string(REPLACE "\n" "\n " expat "${expat}")
file(CONFIGURE OUTPUT copyright CONTENT [[
Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Tarnell

Files: *
Copyright: The Tarnell authors
License: Expat
 @expat@
]] @ONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${release}/LICENSE)

install(TARGETS tarnell-pack RUNTIME DESTINATION bin COMPONENT program)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/tarnell-pack.1.gz DESTINATION share/man/man1 COMPONENT program)
install(FILES ${release}/LICENSE ${release}/README.md DESTINATION . COMPONENT archive)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/copyright DESTINATION share/doc/tarnell COMPONENT debian)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz DESTINATION share/doc/tarnell RENAME changelog.Debian.gz
        COMPONENT debian)

set(CPACK_PACKAGE_NAME tarnell)
set(CPACK_PACKAGE_VERSION ${TARNELL_VERSION})
set(CPACK_PACKAGE_FILE_NAME tarnell-${TARNELL_VERSION}-linux-x86_64)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Turns a Windows Installer package into one self-contained setup.exe")
set(CPACK_PACKAGE_CONTACT "Tarnell developers")
set(CPACK_GENERATOR TGZ DEB)
set(CPACK_STRIP_FILES ON)
# One package of each kind, each with the components its kind wants (CPackComponents.cmake).
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/CPackComponents.cmake)
set(CPACK_DEBIAN_FILE_NAME tarnell_${TARNELL_VERSION}_amd64.deb)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The shared libraries the program needs, as Debian packages.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
