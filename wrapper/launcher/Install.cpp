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

// The package and its cabinets as the setup carries them, with what the packer
// recorded of each; a missing resource fails here, in the step that writes it.
std::vector<PackageFile> packageFiles(const WStringList& cabinets) {
    const std::optional<pack::Checksums> recorded = SetupResources::checksums(cabinets.size());
    std::vector<PackageFile> files;
    DWORD size = 0;
    const Resource package = SetupResources::package();
    const LPCVOID data = package.getPtr(size);
    files.push_back({L"main.msi", data, size, "the package",
                     recorded ? std::optional(recorded->package) : std::nullopt});
    for (size_t i = 0; i < cabinets.size(); ++i) {
        const Resource cabinet = SetupResources::cabinet(i);
        const LPCVOID bytes = cabinet.getPtr(size);
        files.push_back({cabinets[i], bytes, size, "the cabinet '" + tstrings::toUtf8(cabinets[i]) + "'",
                         recorded ? std::optional(recorded->cabinets[i]) : std::nullopt});
    }
    return files;
}

// A missing resource counts nothing here: writing it fails in its own step, which the failure names.
uint64_t bytesToWrite(const WStringList& cabinets) {
    const auto sizeOf = [](const Resource& resource) -> uint64_t { return resource.exists() ? resource.size() : 0; };
    uint64_t total = sizeOf(SetupResources::package());
    for (size_t i = 0; i < cabinets.size(); ++i) {
        total += sizeOf(SetupResources::cabinet(i));
    }
    return total;
}

// Someone waiting on a large package sees that something happens; a silent run shows nothing.
std::unique_ptr<WriteProgressWindow> progressWindowFor(const MsiexecArguments& arguments,
                                                       const std::optional<pack::SetupFacts>& facts,
                                                       const WStringList& cabinets) {
    if (arguments.asksForNoModalUi()) {
        return nullptr;
    }
    const WString title = facts && !facts->productName.empty()
                              ? toWide(facts->productName)
                              : FileUtils::basename(SysInfo::getExecutablePath());
    return std::make_unique<WriteProgressWindow>(title, bytesToWrite(cabinets));
}

std::unique_ptr<PackageFolder> tryCache(const LocationChoice& choice, const pack::SetupFacts& facts,
                                        const WStringList& cabinets, PlacedFiles& placed, CacheNotes& notes) {
    try {
        auto cached = std::make_unique<CachedPackageFolder>(choice.location, SetupResources::productCode(),
                                                            toWide(facts.productVersion),
                                                            [&](const WString& note) { notes.add(note); });
        placed = cached->place(packageFiles(cabinets));
        LOG_INFO("The package goes to [" << cached->path() << "]: " << choice.reason);
        return cached;
    } catch (const DamagedSetup&) {
        throw;
    } catch (const std::exception& e) {
        placed = {};
        notes.add(L"installing from a temporary folder, as the package cache cannot be used: " + reasonOf(e));
        return nullptr;
    }
}

// The package cache where the package may go there and it works out, else a
// temporary folder: the cache is never a new reason to fail.
std::unique_ptr<PackageFolder> writePackage(const std::optional<pack::SetupFacts>& facts,
                                            const MsiexecArguments& arguments, bool elevated,
                                            const WStringList& cabinets, PlacedFiles& placed, CacheNotes& notes) {
    const LocationChoice choice = choosePackageLocation(facts, arguments.scopeAssignments(), elevated);
    if (choice.location != PackageLocation::TemporaryFolder) {
        if (std::unique_ptr<PackageFolder> cached = tryCache(choice, *facts, cabinets, placed, notes)) {
            return cached;
        }
    }
    auto temporary = std::make_unique<TemporaryPackageFolder>(elevated);
    if (choice.location == PackageLocation::TemporaryFolder) {
        LOG_INFO("The package goes to [" << temporary->path() << "]: " << choice.reason);
    }
    setupStep(L"write the package to " + temporary->path(), [&] { placed = temporary->place(packageFiles(cabinets)); });
    return temporary;
}

// msiexec.exe has ended: what follows is housekeeping, which never changes the
// install's result and waits on nobody for long.
void finishRun(std::unique_ptr<PackageFolder> folder, PlacedFiles& placed, DWORD exitCode, bool elevated,
               const std::optional<pack::SetupFacts>& facts, const RunLog& log, const CacheNotes& notes) {
    try {
        placed.locks.clear();
        CleanupBudget budget;
        folder->finish(exitCode, budget);
        folder.reset();
        // A setup made without the cache leaves every cache as it found it.
        if (facts && facts->packageCache) {
            sweepPackageCaches(elevated, SetupResources::productCode(), budget);
        }
        notes.appendTo(log.request);
    }
    CATCH_AND_REPORT
}

} // namespace

DWORD installPackage(const WString& typedTail, const MsiexecArguments& arguments,
                     const std::optional<pack::SetupFacts>& facts, const RunLog& log) {
    // Before anything is made: a launcher that cannot work fails with nothing to clean up.
    const WString tail = unquoteWholeAssignments(typedTail);
    const WStringList cabinets = setupStep(L"read the list of cabinets it carries", SetupResources::cabinetNames);
    const bool elevated = SysInfo::isElevated();
    CacheNotes notes;
    std::unique_ptr<PackageFolder> folder;  // outlives the files' locks, so that it can be removed
    PlacedFiles placed;
    {
        // Closed before msiexec.exe starts: its own window follows.
        const std::unique_ptr<WriteProgressWindow> progress = progressWindowFor(arguments, facts, cabinets);
        folder = writePackage(facts, arguments, elevated, cabinets, placed, notes);
    }

    // msiexec.exe reads its command line by rules of its own: the user's is passed on as typed.
    Executor msiexec(SysInfo::getMsiexecPath());
    msiexec.arg(L"/i").arg(FileUtils::joinPath(folder->path(), L"main.msi")).verbatimTail(withDefaultLog(tail, log));
    const DWORD exitCode = setupStep(L"start the Windows Installer", [&] { return msiexec.execAndWaitForExit(); });
    finishRun(std::move(folder), placed, exitCode, elevated, facts, log, notes);
    return exitCode;
}
