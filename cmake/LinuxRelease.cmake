# The native tarnell-pack as released (make dist, tools/dist): linked so that it
# runs on any x86-64 Linux with glibc, without the build tree, and packed by
# CPack into a tarball (bin/tarnell-pack) and a Debian package
# (/usr/bin/tarnell-pack). The version is the one the program prints.

# The C++ library goes inside the program: distributions ship different
# versions of it, while glibc keeps its old symbols forever. GCC's own runtime,
# libgcc_s, every glibc system has (glibc itself loads it); linked in, it
# would ask for glibc 2.35's _dl_find_object.
target_link_options(tarnell-pack PRIVATE -static-libstdc++)

file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/../pack/core/Pack.h versionLine REGEX "toolVersion\\[\\] = ")
string(REGEX REPLACE ".*\"(.+)\".*" "\\1" TARNELL_VERSION "${versionLine}")

install(TARGETS tarnell-pack RUNTIME DESTINATION bin)
set(CPACK_PACKAGE_NAME tarnell)
set(CPACK_PACKAGE_VERSION ${TARNELL_VERSION})
set(CPACK_PACKAGE_FILE_NAME tarnell-${TARNELL_VERSION}-linux-x86_64)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Turns a Windows Installer package into one self-contained setup.exe")
set(CPACK_PACKAGE_CONTACT "Tarnell developers")
set(CPACK_GENERATOR TGZ DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME tarnell_${TARNELL_VERSION}_amd64.deb)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The shared libraries the program needs, as Debian packages.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
