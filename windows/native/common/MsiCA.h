#pragma once

#include <windows.h>

#include <msi.h>

#include <map>

#include "Guid.h"
#include "Log.h"
#include "MsiDb.h"
#include "tstrings.h"

namespace msi {

// The running installation as a custom action sees it. The installer owns
// the handle and closes it when the action returns.
class CAImpl {
public:
    explicit CAImpl(MSIHANDLE install) : install(install) {}

    WString getProperty(const WString& name) const;
    // Refuses an empty value: removeProperty is the way to clear a property.
    void setProperty(const WString& name, const WString& value);
    void removeProperty(const WString& name);
    void setPropertyIfEmpty(const WString& name, const WString& value);
    Guid getProductCode() const;
    bool isInMode(UINT mode) const;
    // Character i is '1' when the installation is in run mode i, for modes 0 to 18.
    WString getModes() const;

    MSIHANDLE getHandle() const { return install; }

private:
    MSIHANDLE install;
};

// What action code is offered: the installation's properties and modes, and its actions.
class CAFacade : public CAImpl {
public:
    using CAImpl::CAImpl;

    void doAction(const WString& name);
};

// A custom action that takes named arguments, written as name=value pieces
// joined by '*'; after "**" comes a tail, kept under the empty name.
class DeferredCA : public CAFacade {
public:
    using ArgsCtnr = std::map<WString, WString>;

    // A deferred action reads its arguments from CustomActionData; otherwise
    // they come from the property named dataProperty, or from CustomActionData
    // when that is empty.
    explicit DeferredCA(MSIHANDLE install, const WString& dataProperty = {});

    WString getArgs() const;
    // Parsed names replace the ones in args; other entries of args stay.
    static void parseArgs(ArgsCtnr& args, const WString& text);
    const WString& getParsedArg(const WString& name) const;

private:
    ArgsCtnr parsedArgs;
    WString dataProperty;
};

// Ends a directory path with exactly one backslash; an empty path stays empty.
WString normalizeDirectoryPath(const WString& path);

// Writes log lines into the installer's log as information messages.
class MsiLogAppender : public LogAppender {
public:
    explicit MsiLogAppender(MSIHANDLE install);

    void append(const LogRecord& record) override;

    // Lines from threads other than ownerThread carry their thread id.
    static WString formatLine(const LogRecord& record, DWORD ownerThread);

private:
    MSIHANDLE install;
    DWORD ownerThread;
};

// While it lives, log lines go to the installer's log as well as where they
// went before. It must end before the custom action returns.
class InstallerLogTee {
public:
    explicit InstallerLogTee(MSIHANDLE install);
    ~InstallerLogTee();
    InstallerLogTee(const InstallerLogTee&) = delete;
    InstallerLogTee& operator=(const InstallerLogTee&) = delete;

private:
    MsiLogAppender installerLog;
    LogAppender* previous;
    TeeLogAppender tee;
};

} // namespace msi
