// The C++ runtime goes inside the program (see cmake/LinuxRelease.cmake), and
// built on Debian 12 its random_device, linked in with the string code though
// this program never uses it, calls arc4random: glibc has that only from 2.36
// on. This one, over getrandom (glibc 2.25), keeps 2.34 enough.
#include <sys/random.h>

#include <cstdint>

extern "C" uint32_t arc4random() {
    uint32_t value = 0;
    while (getrandom(&value, sizeof(value), 0) != static_cast<ssize_t>(sizeof(value))) {
    }
    return value;
}
