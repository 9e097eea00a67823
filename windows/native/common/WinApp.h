#pragma once

#include <cstdio>
#include <memory>
#include <new>

#include "app.h"

namespace app {

// Runs the launcher under launch(), with a console in debug mode and the
// last error shown in a message box.
int wlaunch(const std::nothrow_t&, LauncherFunc launcher);

} // namespace app

// The standard streams reopened on the console this process attached to or opened.
class Console {
public:
    class Channel {
    public:
        explicit Channel(FILE* stream);
        virtual ~Channel();
        Channel(const Channel&) = delete;
        Channel& operator=(const Channel&) = delete;

    private:
        struct Closer {
            void operator()(FILE* f) const { fclose(f); }
        };
        std::unique_ptr<FILE, Closer> reopened;
        FILE* stream;
    };

    Console();
    ~Console();
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

private:
    // Declared in this order so that the standard error channel closes first.
    std::unique_ptr<Channel> out;
    std::unique_ptr<Channel> err;
};
