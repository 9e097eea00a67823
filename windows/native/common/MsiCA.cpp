#include "MsiCA.h"

#include "ErrorHandling.h"
#include "FileUtils.h"
#include "MsiLibrary.h"

namespace msi {

namespace {

// The highest run mode the installer defines (MSIRUNMODE_COMMIT).
constexpr UINT lastRunMode = 18;

std::pair<WString, WString> parseArg(const WString& piece) {
    const size_t separator = piece.find(L'=');
    if (separator == WString::npos) {
        THROW_RUNTIME_ERROR("Missing expected '=' character in [" << piece << "] string.");
    }
    return {piece.substr(0, separator), piece.substr(separator + 1)};
}

MSIHANDLE openDatabase(MSIHANDLE install) {
    const MSIHANDLE db = library().getActiveDatabase(install);
    if (db == 0) {
        THROW_MSI_ERROR("MsiGetActiveDatabase() failed", ERROR_FUNCTION_FAILED);
    }
    return db;
}

} // namespace

WString CAImpl::getProperty(const WString& name) const { return getInstallProperty(install, name); }

void CAImpl::setProperty(const WString& name, const WString& value) {
    if (value.empty()) {
        THROW_RUNTIME_ERROR("Attempt to assign empty value to '" << name << "' MSI property");
    }
    LOG_TRACE("Setting MSI property '" << name << "' to '" << value << "'");
    const UINT status = library().setProperty(install, name.c_str(), value.c_str());
    if (status != ERROR_SUCCESS) {
        THROW_MSI_ERROR("MsiSetProperty(" << name << ", " << value << ") failed", status);
    }
}

void CAImpl::removeProperty(const WString& name) {
    LOG_TRACE("Removing MSI property '" << name << "'");
    const UINT status = library().setProperty(install, name.c_str(), nullptr);
    if (status != ERROR_SUCCESS) {
        THROW_MSI_ERROR("MsiSetProperty(" << name << ", NULL) failed", status);
    }
}

void CAImpl::setPropertyIfEmpty(const WString& name, const WString& value) {
    if (getProperty(name).empty()) {
        setProperty(name, value);
    }
}

Guid CAImpl::getProductCode() const { return Guid(getProperty(L"ProductCode")); }

bool CAImpl::isInMode(UINT mode) const {
    return library().getMode(install, static_cast<MSIRUNMODE>(mode)) != FALSE;
}

WString CAImpl::getModes() const {
    WString modes;
    for (UINT mode = 0; mode <= lastRunMode; ++mode) {
        modes += isInMode(mode) ? L'1' : L'0';
    }
    return modes;
}

void CAFacade::doAction(const WString& name) {
    const UINT status = library().doAction(getHandle(), name.c_str());
    if (status != ERROR_SUCCESS) {
        THROW_MSI_ERROR("MsiDoAction(" << name << ") failed", status);
    }
}

DeferredCA::DeferredCA(MSIHANDLE install, const WString& dataProperty)
    : CAFacade(install), dataProperty(dataProperty) {
    parseArgs(parsedArgs, getArgs());
}

WString DeferredCA::getArgs() const {
    if (isInMode(MSIRUNMODE_SCHEDULED) || dataProperty.empty()) {
        return getProperty(L"CustomActionData");
    }
    return getProperty(dataProperty);
}

void DeferredCA::parseArgs(ArgsCtnr& args, const WString& text) {
    const size_t tailStart = text.find(L"**");
    ArgsCtnr parsed;
    for (const WString& piece : tstrings::split(text.substr(0, tailStart), L"*", tstrings::KeepEmpty)) {
        auto [name, value] = parseArg(piece);
        parsed[name] = value;
    }
    if (tailStart != WString::npos) {
        parsed[L""] = text.substr(tailStart + 2);
    }
    parsed.merge(args);
    args.swap(parsed);
}

const WString& DeferredCA::getParsedArg(const WString& name) const {
    const auto found = parsedArgs.find(name);
    if (found == parsedArgs.end()) {
        THROW_RUNTIME_ERROR("Argument << '" << name << "' not found.");
    }
    return found->second;
}

WString normalizeDirectoryPath(const WString& path) {
    if (path.empty()) {
        return path;
    }
    return FileUtils::stripTrailingSeparators(tstrings::replace(path, L"/", L"\\")) + L"\\";
}

Database Database::forActiveInstallation(MSIHANDLE install) { return Database(L"*CA*", openDatabase(install)); }

MsiLogAppender::MsiLogAppender(MSIHANDLE install) : install(install), ownerThread(GetCurrentThreadId()) {}

void MsiLogAppender::append(const LogRecord& record) {
    DatabaseRecord message(1);
    // Field 0 is the template the installer formats the message with.
    message.setString(0, L"Kova [1]").setString(1, formatLine(record, ownerThread));
    library().processMessage(install, INSTALLMESSAGE_INFO, message.getHandle());
}

WString MsiLogAppender::formatLine(const LogRecord& record, DWORD ownerThread) {
    const WString threadText =
        record.threadId == ownerThread ? L" " : L" (TID: " + std::to_wstring(record.threadId) + L") ";
    const SYSTEMTIME& time = record.time;
    return tstrings::format(L"[%02u:%02u:%02u.%03u%s%s:%u (%s)] %s: %s", time.wHour, time.wMinute, time.wSecond,
                            time.wMilliseconds, threadText.c_str(), record.fileName.c_str(), record.line,
                            record.functionName.c_str(), record.levelName.c_str(), record.message.c_str());
}

InstallerLogTee::InstallerLogTee(MSIHANDLE install)
    : installerLog(install), previous(Logger::global().appender()), tee(&installerLog, previous) {
    Logger::global().setAppender(&tee);
}

InstallerLogTee::~InstallerLogTee() { Logger::global().setAppender(previous); }

} // namespace msi
