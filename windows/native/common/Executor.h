#pragma once

#include <windows.h>

#include <functional>

#include "UniqueResource.h"
#include "tstrings.h"

// Starts one child process and waits for its exit code.
class Executor {
public:
    explicit Executor(const WString& appPath);

    Executor& visible(bool v);
    Executor& inherit(bool v);
    Executor& suspended(bool v);
    Executor& jobObject(HANDLE job);
    Executor& appPath(const WString& path);
    Executor& onProcessCreated(std::function<void(HANDLE)> hook);
    Executor& arg(const WString& argument);
    // Text put after the arguments as it is, for a command line the user typed.
    Executor& verbatimTail(const WString& text);

    OwnedHandle startProcess(OwnedHandle* threadHandle = nullptr) const;
    DWORD execAndWaitForExit() const;

    // The command line a start hands to CreateProcessW.
    WString commandLine() const;

private:
    bool isVisible = false;
    bool inheritHandles = false;
    bool isSuspended = false;
    HANDLE job = nullptr;
    WStringList args;
    WString tail;
    WString program;
    std::function<void(HANDLE)> processCreated;
};
