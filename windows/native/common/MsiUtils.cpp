#include "MsiUtils.h"

#include "FileUtils.h"
#include "MsiLibrary.h"
#include "Resources.h"
#include "WinErrorHandling.h"
#include "WinSysInfo.h"

namespace msi {

namespace {

WString describeStatus(UINT status, HMODULE messageTable) {
    // String-table identifiers are 16-bit: a larger status has no entry.
    if (status > 0xFFFF) {
        return L"No description";
    }
    try {
        return StringResource(static_cast<UINT16>(status), messageTable).string();
    } catch (const std::exception&) {
        return L"No description";
    }
}

std::string makeMessage(const std::string& text, UINT status) {
    const WString path = FileUtils::joinPath(SysInfo::getSystemDirectoryPath(), L"msimsg.dll");
    const OwnedModule messageTable(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!messageTable) {
        THROW_SYS_ERROR("LoadLibraryExW(" << path << ") failed", LoadLibraryExW);
    }
    const std::string installerText = "MSI error [" + std::to_string(status) + "](" +
                                      tstrings::toUtf8(describeStatus(status, messageTable.get())) + ")";
    return joinErrorTexts(text, installerText);
}

ActionStatus configureProduct(const Guid& productCode, const WString& commandLine, INSTALLSTATE state) {
    const WString code = productCode.toString();
    const UINT status =
        library().configureProductEx(code.c_str(), INSTALLLEVEL_MAXIMUM, state, commandLine.c_str());
    const std::string call = "MsiConfigureProductEx(" + tstrings::toUtf8(code) + ", " +
                             std::to_string(INSTALLLEVEL_MAXIMUM) + ", " + std::to_string(state) + ", " +
                             tstrings::toUtf8(commandLine) + ") ";
    return handleMsiStatus(call, status);
}

ActionStatus installProduct(const WString& packagePath, const WString& commandLine) {
    const UINT status = library().installProduct(packagePath.c_str(), commandLine.c_str());
    const std::string call = "MsiInstallProduct(" + tstrings::toUtf8(packagePath) + ", " +
                             tstrings::toUtf8(commandLine) + ") ";
    return handleMsiStatus(call, status);
}

// Points the installer's own log at logFile, or nowhere, for its lifetime.
class InstallerLogSwitch {
public:
    explicit InstallerLogSwitch(const ActionData& data) {
        if (data.logFile.empty()) {
            library().enableLog(0, nullptr, 0);
        } else {
            library().enableLog(data.logModes, data.logFile.c_str(), data.logAttributes);
        }
    }
    ~InstallerLogSwitch() { library().enableLog(0, nullptr, 0); }
    InstallerLogSwitch(const InstallerLogSwitch&) = delete;
    InstallerLogSwitch& operator=(const InstallerLogSwitch&) = delete;
};

// Routes every installer UI message to one callback for its lifetime.
class CallbackTrigger {
public:
    explicit CallbackTrigger(UiCallback& callback) {
        library().setExternalUI(adapter, 0xFFFFFFFF, &callback);
    }
    ~CallbackTrigger() { library().setExternalUI(nullptr, 0, nullptr); }
    CallbackTrigger(const CallbackTrigger&) = delete;
    CallbackTrigger& operator=(const CallbackTrigger&) = delete;

    // Returns 0 always, so the installer goes on with its own handling; an
    // exception must not unwind through the installer's frames.
    static int WINAPI adapter(LPVOID context, UINT messageCode, LPCWSTR text) {
        if (context == nullptr || text == nullptr) {
            return 0;
        }
        try {
            static_cast<UiCallback*>(context)->notify(messageCode & 0xFF000000, messageCode & 0x00FFFFFF, text);
        }
        CATCH_AND_REPORT
        return 0;
    }
};

class StateImpl : public ActionData::State {
public:
    explicit StateImpl(const ActionData& data)
        : uiLevel(data.uiLevel),
          log(data),
          callback(data.uiCallback != nullptr ? std::make_unique<CallbackTrigger>(*data.uiCallback) : nullptr) {}

private:
    UiLevelGuard uiLevel;
    InstallerLogSwitch log;
    std::unique_ptr<CallbackTrigger> callback;
};

} // namespace

void closeMSIHANDLE(MSIHANDLE handle) {
    if (handle == 0) {
        return;
    }
    const UINT result = library().closeHandle(handle);
    if (result != ERROR_SUCCESS) {
        LOG_WARNING("MsiCloseHandle(" << handle << ") failed with error=" << result);
    }
}

void throwMsiError(const SourcePosition& pos, const tstrings::MessageBuilder& text, UINT status) {
    throw AppError<Error>(Error(text.utf8(), status), pos);
}

Error::Error(const std::string& text, UINT status) : std::runtime_error(makeMessage(text, status)), status(status) {}

NoMoreItemsError::NoMoreItemsError(const std::string& text) : Error(text, ERROR_NO_MORE_ITEMS) {}

ActionStatus::ActionStatus(UINT status, const std::string& message) : message(message), status(status) {}

bool isSuccess(UINT status) {
    return status == ERROR_SUCCESS || status == ERROR_SUCCESS_REBOOT_INITIATED ||
           status == ERROR_SUCCESS_REBOOT_REQUIRED;
}

bool ActionStatus::succeeded() const { return isSuccess(status); }

void ActionStatus::throwIt() const { throw AppError<Error>(Error(message, status), SOURCE_POSITION); }

ActionStatus handleMsiStatus(const std::string& call, UINT status) {
    const ActionStatus result(status);
    if (result.succeeded()) {
        if (status == ERROR_SUCCESS) {
            LOG_INFO(tstrings::fromUtf8(call) << "succeeded");
        } else {
            LOG_INFO(tstrings::fromUtf8(call) << "succeeded [" << status << "]");
        }
        return result;
    }
    return ActionStatus(status, call + "failed [" + std::to_string(status) + "]");
}

std::string callArgumentText(unsigned long value) { return std::to_string(value); }

std::string callArgumentText(unsigned value) { return std::to_string(value); }

std::string callArgumentText(LPCWSTR value) { return value == nullptr ? "NULL" : tstrings::toUtf8(value); }

WString readGrowingString(const StringRead& read, const std::string& callText) {
    WString buffer(20, L'\0');
    DWORD length = static_cast<DWORD>(buffer.size());
    UINT status = read(buffer.data(), &length);
    // The length the installer reports is not trusted for sizing: doubling
    // always makes progress.
    while (status == ERROR_MORE_DATA) {
        buffer.resize(buffer.size() * 2);
        length = static_cast<DWORD>(buffer.size());
        status = read(buffer.data(), &length);
    }
    if (status != ERROR_SUCCESS) {
        throw AppError<Error>(Error(callText + " failed", status), SOURCE_POSITION);
    }
    buffer.resize(length);
    return buffer;
}

WString getProductInfo(const Guid& productCode, const WString& name) {
    return getProperty(library().getProductInfo, "MsiGetProductInfo", productCode.toString().c_str(), name.c_str());
}

WString getProductInfo(const std::nothrow_t&, const Guid& productCode, const WString& name) {
    try {
        return getProductInfo(productCode, name);
    } catch (const std::exception&) {
        return {};
    }
}

WString getInstallProperty(MSIHANDLE install, const WString& name) {
    return getProperty(library().getProperty, "MsiGetProperty", install, name.c_str());
}

WString getInstallProperty(const std::nothrow_t&, MSIHANDLE install, const WString& name) {
    try {
        return getInstallProperty(install, name);
    } catch (const std::exception&) {
        return {};
    }
}

bool isProductInstalled(const Guid& productCode) {
    try {
        getProductInfo(productCode, L"VersionString");
        return true;
    } catch (const Error& e) {
        return e.getStatus() != ERROR_UNKNOWN_PRODUCT && e.getStatus() != ERROR_UNKNOWN_PROPERTY;
    }
}

INSTALLSTATE queryProductState(const Guid& productCode) {
    return library().queryProductState(productCode.toString().c_str());
}

void ActionData::setProperty(const WString& name, const WString& value) { properties[name] = value; }

std::unique_ptr<ActionData::State> ActionData::createState() const { return std::make_unique<StateImpl>(*this); }

WString quotePropertyValue(const WString& value) {
    const WString doubled = tstrings::replace(value, L"\"", L"\"\"");
    if (doubled.empty()) {
        return L"\"\"";
    }
    if (doubled.find_first_of(L" \t") != WString::npos) {
        return L"\"" + doubled + L"\"";
    }
    return doubled;
}

WString buildCommandLine(const ActionData& data) {
    WString arguments = tstrings::trim(data.rawArguments);
    WString properties;
    for (const auto& [name, value] : data.properties) {
        properties += L" " + name + L"=" + quotePropertyValue(value);
    }
    properties = tstrings::trim(properties);
    if (!arguments.empty() && !properties.empty()) {
        arguments += L" ";
    }
    return arguments + properties;
}

uninstall::uninstall() { setProperty(L"REBOOT", L"ReallySuppress"); }

uninstall& uninstall::productCode(const Guid& code) {
    product = code;
    return *this;
}

ActionStatus uninstall::execute(const WString& commandLine) const {
    return configureProduct(product, commandLine, INSTALLSTATE_ABSENT);
}

install& install::packagePath(const WString& path) {
    package = path;
    return *this;
}

ActionStatus install::execute(const WString& commandLine) const { return installProduct(package, commandLine); }

UiLevelGuard::UiLevelGuard(UINT level)
    : previousLevel(library().setInternalUI(static_cast<INSTALLUILEVEL>(level), nullptr)) {}

UiLevelGuard::~UiLevelGuard() { library().setInternalUI(static_cast<INSTALLUILEVEL>(previousLevel), nullptr); }

bool waitForInstallationCompletion(DWORD timeout) {
    // The installer service holds this mutex while an installation runs.
    const OwnedHandle mutex(OpenMutexW(SYNCHRONIZE, FALSE, L"Global\\_MSIExecute"));
    if (!mutex) {
        return true;
    }
    const DWORD result = WaitForSingleObject(mutex.get(), timeout);
    if (timeout != 0) {
        LOG_INFO("finish waiting for mutex: " << result);
    }
    return result != WAIT_TIMEOUT;
}

} // namespace msi
