#include "Install.h"

#include <memory>
#include <optional>
#include <vector>

#include "CacheSweep.h"
#include "CommandTail.h"
#include "ErrorHandling.h"
#include "Executor.h"
#include "FileUtils.h"
#include "InstallerLog.h"
#include "Log.h"
#include "PackageFolder.h"
#include "PackageLocation.h"
#include "SetupFailure.h"
#include "SetupResources.h"
#include "WinErrorHandling.h"
#include "WinSysInfo.h"
#include "WriteProgressWindow.h"

namespace {

// Why the package cache was not used, for the debug log and, after msiexec.exe
// has written it, the user's own log.
class CacheNotes {
public:
    void add(const WString& note) {
        LOG_WARNING(note);
        notes.push_back(note);
    }
    void appendTo(const std::optional<LogRequest>& log) const {
        if (!log) {
            return;
        }
        const WString program = FileUtils::basename(SysInfo::getExecutablePath());
        for (const WString& note : notes) {
            appendToInstallerLog(log->file, program + L": " + note + L"\r\n");
        }
    }

private:
    WStringList notes;
};

WString reasonOf(const std::exception& e) {
    const auto* appError = dynamic_cast<const AppErrorBase*>(&e);
    return tstrings::fromUtf8(appError != nullptr ? appError->plainMessage() : e.what());
}

struct Files {
    WStringList cabinets;
    std::vector<OwnedHandle> locks;  // released before the folder is finished or removed
};

void writeFiles(PackageFolder& folder, Files& files) {
    DWORD size = 0;
    const Resource package = SetupResources::package();
    const LPCVOID data = package.getPtr(size);
    files.locks.push_back(folder.place(L"main.msi", data, size));
    for (size_t i = 0; i < files.cabinets.size(); ++i) {
        const Resource cabinet = SetupResources::cabinet(i);
        const LPCVOID bytes = cabinet.getPtr(size);
        files.locks.push_back(folder.place(files.cabinets[i], bytes, size));
    }
}

// A missing resource counts nothing here: writing it fails in its own step, which the failure names.
uint64_t bytesToWrite(const Files& files) {
    const auto sizeOf = [](const Resource& resource) -> uint64_t { return resource.exists() ? resource.size() : 0; };
    uint64_t total = sizeOf(SetupResources::package());
    for (size_t i = 0; i < files.cabinets.size(); ++i) {
        total += sizeOf(SetupResources::cabinet(i));
    }
    return total;
}

// Someone waiting on a large package sees that something happens; a silent run shows nothing.
std::unique_ptr<WriteProgressWindow> progressWindowFor(const MsiexecArguments& arguments,
                                                       const std::optional<pack::SetupFacts>& facts,
                                                       const Files& files) {
    if (arguments.asksForNoModalUi()) {
        return nullptr;
    }
    const WString title = facts && !facts->productName.empty()
                              ? toWide(facts->productName)
                              : FileUtils::basename(SysInfo::getExecutablePath());
    return std::make_unique<WriteProgressWindow>(title, bytesToWrite(files));
}

std::unique_ptr<PackageFolder> tryCache(const LocationChoice& choice, const pack::SetupFacts& facts, Files& files,
                                        CacheNotes& notes) {
    std::unique_ptr<PackageFolder> cached;
    try {
        cached = std::make_unique<CachedPackageFolder>(choice.location, SetupResources::productCode(),
                                                       toWide(facts.productVersion));
        writeFiles(*cached, files);
        LOG_INFO("The package goes to [" << cached->path() << "]: " << choice.reason);
        return cached;
    } catch (const std::exception& e) {
        files.locks.clear();
        cached.reset();
        notes.add(L"installing from a temporary folder, as the package cache cannot be used: " + reasonOf(e));
        return nullptr;
    }
}

// The package cache where the package may go there and it works out, else a
// temporary folder: the cache is never a new reason to fail.
std::unique_ptr<PackageFolder> writePackage(const std::optional<pack::SetupFacts>& facts, bool elevated,
                                            Files& files, CacheNotes& notes) {
    const LocationChoice choice = choosePackageLocation(facts, elevated);
    if (choice.location != PackageLocation::TemporaryFolder) {
        if (std::unique_ptr<PackageFolder> cached = tryCache(choice, *facts, files, notes)) {
            return cached;
        }
    }
    auto temporary = std::make_unique<TemporaryPackageFolder>(elevated);
    if (choice.location == PackageLocation::TemporaryFolder) {
        LOG_INFO("The package goes to [" << temporary->path() << "]: " << choice.reason);
    }
    setupStep(L"write the package to " + temporary->path(), [&] { writeFiles(*temporary, files); });
    return temporary;
}

} // namespace

DWORD installPackage(const WString& typedTail, const MsiexecArguments& arguments,
                     const std::optional<pack::SetupFacts>& facts) {
    // Before anything is made: a launcher that cannot work fails with nothing to clean up.
    const WString tail = unquoteWholeAssignments(typedTail);
    std::unique_ptr<PackageFolder> folder;  // outlives the files' locks, so that it can be removed
    Files files{setupStep(L"read the list of cabinets it carries", SetupResources::cabinetNames), {}};
    const bool elevated = SysInfo::isElevated();
    CacheNotes notes;
    {
        // Closed before msiexec.exe starts: its own window follows.
        const std::unique_ptr<WriteProgressWindow> progress = progressWindowFor(arguments, facts, files);
        folder = writePackage(facts, elevated, files, notes);
    }

    // msiexec.exe reads its command line by rules of its own: the user's is passed on as typed.
    Executor msiexec(SysInfo::getMsiexecPath());
    msiexec.arg(L"/i").arg(FileUtils::joinPath(folder->path(), L"main.msi")).verbatimTail(tail);
    const DWORD exitCode = setupStep(L"start the Windows Installer", [&] { return msiexec.execAndWaitForExit(); });

    files.locks.clear();
    folder->finish(exitCode);
    // A setup made without the cache leaves every cache as it found it.
    if (facts && facts->packageCache) {
        // Housekeeping: a product code it cannot read never turns the install's result into a failure.
        try {
            sweepPackageCaches(elevated, SetupResources::productCode());
        }
        CATCH_AND_REPORT
    }
    notes.appendTo(arguments.logRequest());
    return exitCode;
}
