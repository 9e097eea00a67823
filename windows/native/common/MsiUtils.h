#pragma once

#include <windows.h>

#include <msi.h>

#include <functional>
#include <map>
#include <memory>
#include <new>
#include <sstream>
#include <stdexcept>
#include <string>

#include "ErrorHandling.h"
#include "Guid.h"
#include "Log.h"
#include "UniqueResource.h"
#include "tstrings.h"

namespace msi {

// Never raises: a failure to close is only worth a warning.
void closeMSIHANDLE(MSIHANDLE handle);

struct InstallerHandleTraits {
    using Value = MSIHANDLE;
    static Value empty() { return 0; }
    static bool isEmpty(Value v) { return v == 0; }
    static void close(Value v) { closeMSIHANDLE(v); }
};

using OwnedInstallerHandle = UniqueResource<InstallerHandleTraits>;

// An installer status code; the text adds the description from the system's message table.
class Error : public std::runtime_error {
public:
    Error(const std::string& text, UINT status);
    Error(const std::ostringstream& text, UINT status) : Error(text.str(), status) {}

    UINT getStatus() const { return status; }

private:
    UINT status;
};

// The query has no further row.
class NoMoreItemsError : public Error {
public:
    explicit NoMoreItemsError(const std::string& text);
    explicit NoMoreItemsError(const std::ostringstream& text) : NoMoreItemsError(text.str()) {}
};

[[noreturn]] void throwMsiError(const SourcePosition& pos, const tstrings::MessageBuilder& text, UINT status);

// Raises AppError<msi::Error> with a text composed from stream insertions.
#define THROW_MSI_ERROR(msg, status) msi::throwMsiError(SOURCE_POSITION, tstrings::MessageBuilder() << msg, status)

// An installer status that means the installation is complete: done, a
// restart needed, or a restart started.
bool isSuccess(UINT status);

// The outcome of one installer call.
class ActionStatus {
public:
    explicit ActionStatus(UINT status, const std::string& message = {});

    // Reboot requests count as success: the installation itself is complete.
    bool succeeded() const;
    UINT getStatus() const { return status; }
    const std::string& getMessage() const { return message; }
    [[noreturn]] void throwIt() const;

private:
    std::string message;
    UINT status;
};

// Finishes the description of a call (ending in a blank); a success is logged
// at INFO, a failure becomes the message.
ActionStatus handleMsiStatus(const std::string& call, UINT status);
// The stream forms stay inline, so that only programs that use them carry stream code.
inline ActionStatus handleMsiStatus(std::ostringstream& call, UINT status) {
    return handleMsiStatus(call.str(), status);
}

// Text of one argument of an installer call in error messages.
std::string callArgumentText(unsigned long value);
std::string callArgumentText(unsigned value);
std::string callArgumentText(LPCWSTR value);

using StringRead = std::function<UINT(LPWSTR buffer, DWORD* length)>;

// Calls read with a buffer that doubles while the installer answers ERROR_MORE_DATA.
WString readGrowingString(const StringRead& read, const std::string& callText);

// Reads a string of any length through an installer function of the form
// function(first, second, buffer, &length); raises msi::Error on failure,
// naming the call as name(first, second).
template <class Function, class First, class Second>
WString getProperty(Function&& function, const char* name, First first, Second second) {
    return readGrowingString(
        [&](LPWSTR buffer, DWORD* length) { return function(first, second, buffer, length); },
        std::string(name) + "(" + callArgumentText(first) + ", " + callArgumentText(second) + ")");
}

WString getProductInfo(const Guid& productCode, const WString& name);
WString getProductInfo(const std::nothrow_t&, const Guid& productCode, const WString& name);

WString getInstallProperty(MSIHANDLE install, const WString& name);
WString getInstallProperty(const std::nothrow_t&, MSIHANDLE install, const WString& name);

bool isProductInstalled(const Guid& productCode);
// The installer's word on the product for the current user and the machine:
// INSTALLSTATE_UNKNOWN when neither knows it.
INSTALLSTATE queryProductState(const Guid& productCode);

// Receives the installer's UI messages while an action runs.
class UiCallback {
public:
    virtual ~UiCallback() = default;
    virtual void notify(UINT type, UINT flags, const WString& text) = 0;
};

// Parameters common to all actions.
struct ActionData {
    // The installer library's process-wide settings an action applies, given back on destruction.
    class State {
    public:
        virtual ~State() = default;
    };

    std::map<WString, WString> properties;
    WString rawArguments;
    UINT uiLevel = INSTALLUILEVEL_NONE;
    UiCallback* uiCallback = nullptr;
    WString logFile;
    DWORD logModes = INSTALLLOGMODE_VERBOSE;  // what the log holds, INSTALLLOGMODE_* bits
    DWORD logAttributes = 0;                  // INSTALLLOGATTRIBUTES_* bits

    void setProperty(const WString& name, const WString& value);
    std::unique_ptr<State> createState() const;
};

WString quotePropertyValue(const WString& value);
WString buildCommandLine(const ActionData& data);

class uninstall : public ActionData {
public:
    uninstall();

    uninstall& productCode(const Guid& code);
    ActionStatus execute(const WString& commandLine) const;

private:
    Guid product;
};

class install : public ActionData {
public:
    install& packagePath(const WString& path);
    ActionStatus execute(const WString& commandLine) const;

private:
    WString package;
};

// Runs action T with the library state it asks for; the state is given back
// before the result is returned.
template <class T>
class action {
public:
    explicit action(const T& data) : data(data) {}

    ActionStatus operator()(const std::nothrow_t&) const {
        try {
            const std::unique_ptr<ActionData::State> state = data.createState();
            const ActionStatus status = data.execute(buildCommandLine(data));
            if (!status.succeeded()) {
                LOG_ERROR(tstrings::fromUtf8(status.getMessage()));
            }
            return status;
        }
        CATCH_AND_REPORT
        return ActionStatus(ERROR_INTERNAL_ERROR, "Unknown error");
    }

private:
    T data;
};

// Sets the installer's internal UI level for its lifetime.
class UiLevelGuard {
public:
    explicit UiLevelGuard(UINT level);
    ~UiLevelGuard();
    UiLevelGuard(const UiLevelGuard&) = delete;
    UiLevelGuard& operator=(const UiLevelGuard&) = delete;

private:
    UINT previousLevel;
};

// False when another installation still runs after timeout milliseconds; 0 only checks.
bool waitForInstallationCompletion(DWORD timeout);

} // namespace msi
