#include "PackageReader.h"

#include <algorithm>
#include <unordered_map>

#include "CompoundFile.h"
#include "MsiTables.h"
#include "StringPool.h"
#include "SummaryInformation.h"

namespace pack {
namespace {

class NotAPackage {};

Bytes streamOf(const CompoundFile& file, bool isTable, std::u16string_view name) {
    const CompoundFile::Stream* stream = findStream(file, isTable, name);
    if (stream == nullptr) {
        throw NotAPackage();
    }
    return file.read(*stream);
}

class Reader {
public:
    Reader(const CompoundFile& file, Platform& decoder)
        : decoder(decoder), strings(streamOf(file, true, u"_StringPool"), streamOf(file, true, u"_StringData")),
          tables(file, strings), codePage(checkedCodePage(strings.codePage())) {
        // Every package has a Property table; a database without one is not a package.
        if (!tables.has("Property")) {
            throw NotAPackage();
        }
    }

    void readProperties(PackageInfo& info) const {
        const MsiTable table = tables.read("Property");
        const size_t name = table.column("Property");
        const size_t value = table.column("Value");
        const std::pair<const char*, std::u16string*> wanted[] = {
            {"ProductCode", &info.productCode},   {"ProductName", &info.productName},
            {"ProductVersion", &info.productVersion}, {"Manufacturer", &info.manufacturer},
            {"UpgradeCode", &info.upgradeCode},   {"ALLUSERS", &info.allUsers},
            {"MSIINSTALLPERUSER", &info.msiInstallPerUser}};
        bool found[std::size(wanted)] = {};
        for (size_t row = 0; row < table.rowCount(); ++row) {
            // Names are ASCII, which every code page here writes as ASCII: compared as bytes.
            for (size_t i = 0; i < std::size(wanted); ++i) {
                if (!found[i] && table.text(row, name) == wanted[i].first) {
                    *wanted[i].second = text(table.text(row, value));
                    found[i] = true;
                }
            }
        }
    }

    void readMedia(PackageInfo& info) const {
        if (!tables.has("Media")) {
            return;
        }
        const MsiTable table = tables.read("Media");
        const size_t diskId = table.column("DiskId");
        const size_t lastSequence = table.column("LastSequence");
        const size_t cabinet = table.column("Cabinet");
        // Each string decoded and held once, however many rows name it.
        std::unordered_map<uint32_t, uint32_t> cabinetOfString;
        for (size_t row = 0; row < table.rowCount(); ++row) {
            const uint32_t id = table.textId(row, cabinet);
            const auto [known, added] = cabinetOfString.try_emplace(id, static_cast<uint32_t>(info.cabinets.size()));
            if (added) {
                info.cabinets.push_back(text(table.text(row, cabinet)));
            }
            info.media.push_back(MediaRow{table.integer(row, diskId), table.integer(row, lastSequence), known->second});
        }
    }

    void readFiles(PackageInfo& info) const {
        if (!tables.has("File")) {
            return;
        }
        const MsiTable table = tables.read("File");
        const size_t sequence = table.column("Sequence");
        for (size_t row = 0; row < table.rowCount(); ++row) {
            info.fileSequences.push_back(table.integer(row, sequence));
        }
    }

private:
    static uint32_t checkedCodePage(uint32_t stored) {
        const std::optional<uint32_t> codePage = textCodePage(stored);
        if (!codePage) {
            throw DamagedPackage(("its code page " + std::to_string(stored) + " is none a package may have").c_str());
        }
        return *codePage;
    }

    std::u16string text(std::string_view bytes) const { return bytes.empty() ? u"" : decoder.decodeText(codePage, bytes); }

    Platform& decoder;
    StringPool strings;
    MsiTables tables;
    uint32_t codePage;
};

void readSummary(const CompoundFile& file, Platform& decoder, PackageInfo& info) {
    const CompoundFile::Stream* stream = findStream(file, false, u"\005SummaryInformation");
    if (stream == nullptr) {
        return;
    }
    const SummaryInformation summary = readSummaryInformation(file.read(*stream));
    const std::optional<uint32_t> codePage = textCodePage(summary.codePage);
    if (!codePage) {
        throw DamagedPackage("its summary information has a code page no package may have");
    }
    const auto text = [&](uint32_t id) {
        const auto found = summary.texts.find(id);
        return found == summary.texts.end() ? u"" : decoder.decodeText(*codePage, found->second);
    };
    info.packageCode = text(SummaryInformation::revisionNumber);
    info.summaryTemplate = text(SummaryInformation::templateProperty);
}

} // namespace

std::optional<uint32_t> textCodePage(uint32_t stored) {
    constexpr uint32_t known[] = {874, 932, 936, 949, 950, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258, 65001};
    if (stored == 0) {
        return 1252;
    }
    if (std::find(std::begin(known), std::end(known), stored) != std::end(known)) {
        return stored;
    }
    return std::nullopt;
}

PackageInfo readPackage(const FileRange& package, Platform& decoder, const std::string& path) {
    if (!CompoundFile::hasSignature(package)) {
        throw PackError(path + ": not an installer package");
    }
    try {
        const CompoundFile file(package);
        const Reader reader(file, decoder);
        PackageInfo info;
        reader.readProperties(info);
        reader.readMedia(info);
        reader.readFiles(info);
        readSummary(file, decoder, info);
        return info;
    } catch (const NotAPackage&) {
        throw PackError(path + ": not an installer package");
    } catch (const DamagedPackage& e) {
        throw PackError(path + ": a damaged installer package: " + e.what());
    }
}

PackageInfo Platform::readPackage(const FileRange& package, const std::string& path) {
    return pack::readPackage(package, *this, path);
}

} // namespace pack
