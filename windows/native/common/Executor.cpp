#include "Executor.h"

#include <vector>

#include "Log.h"
#include "WinErrorHandling.h"

namespace {

bool isWrappedInQuotes(const WString& text) {
    return text.size() > 1 && text.front() == L'"' && text.back() == L'"';
}

bool needsQuotes(const WString& text) {
    return !text.empty() && !isWrappedInQuotes(text) && text.find_first_of(L" \t") != WString::npos;
}

bool isPropertyName(const WString& text) {
    return !text.empty() && text.find_first_of(L" \t\"=") == WString::npos;
}

// Nothing inside an element is escaped: callers hand over msiexec.exe
// arguments that already carry the quotes they need.
WString quote(const WString& element) {
    if (!needsQuotes(element)) {
        return element;
    }
    // msiexec.exe refuses a property assignment quoted as a whole ("NAME=a b");
    // it takes NAME="a b".
    const size_t equals = element.find(L'=');
    if (equals != WString::npos && isPropertyName(element.substr(0, equals)) &&
        needsQuotes(element.substr(equals + 1))) {
        return element.substr(0, equals + 1) + L'"' + element.substr(equals + 1) + L'"';
    }
    return L'"' + element + L'"';
}

} // namespace

Executor::Executor(const WString& appPath) { this->appPath(appPath); }

Executor& Executor::visible(bool v) {
    isVisible = v;
    return *this;
}

Executor& Executor::inherit(bool v) {
    inheritHandles = v;
    return *this;
}

Executor& Executor::suspended(bool v) {
    isSuspended = v;
    return *this;
}

Executor& Executor::jobObject(HANDLE v) {
    job = v;
    return *this;
}

Executor& Executor::appPath(const WString& path) {
    program = path;
    return *this;
}

Executor& Executor::onProcessCreated(std::function<void(HANDLE)> hook) {
    processCreated = std::move(hook);
    return *this;
}

Executor& Executor::arg(const WString& argument) {
    args.push_back(argument);
    return *this;
}

Executor& Executor::verbatimTail(const WString& text) {
    tail = text;
    return *this;
}

WString Executor::commandLine() const {
    WString result = quote(program);
    for (const WString& argument : args) {
        result += L' ';
        result += quote(argument);
    }
    if (!tail.empty()) {
        result += L' ';
        result += tail;
    }
    return result;
}

OwnedHandle Executor::startProcess(OwnedHandle* threadHandle) const {
    const WString cmdline = commandLine();
    // CreateProcessW takes at most 32,767 characters, its terminating zero included.
    const size_t longest = 32766;
    if (cmdline.size() > longest) {
        THROW_RUNTIME_ERROR("The command line for " << program << " has " << cmdline.size()
                                                    << " characters; at most " << longest << " can be passed on");
    }
    // CreateProcessW may write into its command-line argument.
    std::vector<wchar_t> buffer(cmdline.begin(), cmdline.end());
    buffer.push_back(L'\0');

    STARTUPINFOW startupInfo{};
    startupInfo.cb = sizeof(startupInfo);
    PROCESS_INFORMATION processInfo{};

    DWORD creationFlags = 0;
    if (isSuspended) {
        creationFlags |= CREATE_SUSPENDED;
    }
    if (!isVisible) {
        creationFlags |= CREATE_NO_WINDOW;
        startupInfo.dwFlags |= STARTF_USESHOWWINDOW;
        startupInfo.wShowWindow = SW_HIDE;
    }

    WString call = L"CreateProcess";
    call += isSuspended ? L"[suspended]" : L"";
    call += isVisible ? L"[visible]" : L"";
    call += inheritHandles ? L"[inherit]" : L"";
    // The failure names the program only: the command line may hold values a log must not keep.
    call += L"(" + program + L")";

    const BOOL created = CreateProcessW(program.c_str(), buffer.data(), nullptr, nullptr, inheritHandles,
                                        creationFlags, nullptr, nullptr, &startupInfo, &processInfo);
    OwnedHandle process(processInfo.hProcess);
    OwnedHandle thread(processInfo.hThread);
    if (!created) {
        THROW_SYS_ERROR_ABOUT(call << " failed", CreateProcessW, program);
    }
    LOG_TRACE(call << " succeeded; PID=" << processInfo.dwProcessId << "; command line: " << cmdline);

    if (threadHandle != nullptr) {
        *threadHandle = std::move(thread);
    } else {
        thread.reset();
    }

    if (job != nullptr) {
        LOG_TRACE("AssignProcessToJobObject(PID=" << processInfo.dwProcessId << ")");
        if (!AssignProcessToJobObject(job, process.get())) {
            THROW_SYS_ERROR("AssignProcessToJobObject() failed", AssignProcessToJobObject);
        }
    }
    if (processCreated) {
        processCreated(process.get());
    }
    return process;
}

DWORD Executor::execAndWaitForExit() const {
    OwnedHandle thread;
    const OwnedHandle process = startProcess(&thread);

    if (isSuspended) {
        LOG_TRACE("ResumeThread()");
        if (ResumeThread(thread.get()) == static_cast<DWORD>(-1)) {
            THROW_SYS_ERROR("ResumeThread() failed", ResumeThread);
        }
    }
    if (WaitForSingleObject(process.get(), INFINITE) == WAIT_FAILED) {
        THROW_SYS_ERROR("WaitForSingleObject() failed", WaitForSingleObject);
    }
    DWORD exitCode = 0;
    if (!GetExitCodeProcess(process.get(), &exitCode)) {
        THROW_SYS_ERROR("GetExitCodeProcess() failed", GetExitCodeProcess);
    }
    const DWORD processId = GetProcessId(process.get());
    if (processId == 0) {
        THROW_SYS_ERROR("GetProcessId() failed.", GetProcessId);
    }
    LOG_TRACE("Process with PID=" << processId << " terminated. Exit code=" << exitCode);
    return exitCode;
}
