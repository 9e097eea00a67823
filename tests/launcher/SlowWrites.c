// Preloaded into Wine: holds each large write for 40 ms per MiB, so that writing
// a package takes well over a second on any machine and under any load.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <time.h>
#include <unistd.h>

static void hold(size_t size) {
    const size_t mebibytes = size >> 20;
    if (mebibytes > 0) {
        const struct timespec pause = {0, (long)mebibytes * 40 * 1000 * 1000};
        nanosleep(&pause, NULL);
    }
}

ssize_t write(int fd, const void* data, size_t size) {
    static ssize_t (*real)(int, const void*, size_t);
    if (!real) real = (ssize_t (*)(int, const void*, size_t))dlsym(RTLD_NEXT, "write");
    hold(size);
    return real(fd, data, size);
}

ssize_t pwrite(int fd, const void* data, size_t size, off_t offset) {
    static ssize_t (*real)(int, const void*, size_t, off_t);
    if (!real) real = (ssize_t (*)(int, const void*, size_t, off_t))dlsym(RTLD_NEXT, "pwrite");
    hold(size);
    return real(fd, data, size, offset);
}

ssize_t pwrite64(int fd, const void* data, size_t size, off_t offset) { return pwrite(fd, data, size, offset); }
