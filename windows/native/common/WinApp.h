#pragma once

#include <cstdio>
#include <memory>
#include <new>

#include "app.h"

namespace app {

// Tells a failure to whoever ran the program. The launch frame calls it once
// per failure, while it handles the exception: std::current_exception() is
// the failure then. message is the error's text without its source position.
class FailureReporter {
public:
    virtual ~FailureReporter() = default;
    virtual void report(const std::string& message) = 0;
};

// A message box with the message, titled with the executable's file name,
// where someone can see it (not in a service, not in session 0).
class MessageBoxReporter : public FailureReporter {
public:
    void report(const std::string& message) override;
};

// Runs the launcher under launch(), with a console in debug mode and each
// failure handed to reporter (null: a MessageBoxReporter).
int wlaunch(const std::nothrow_t&, LauncherFunc launcher, FailureReporter* reporter = nullptr);

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
