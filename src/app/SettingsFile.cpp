#include "SettingsFile.h"

#include "CXmlparse.h"
#include "OptionText.h"
#include "ProfileCatalogue.h"
#include "VelSettings.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <optional>
#include <string_view>
#include <strings.h>

namespace {

constexpr int kMaxRecentRead = 20;

bool isFolder(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_directory(path, ec);
}

// A decimal number within the 32-bit range, surrounding blanks allowed; anything else (a
// damaged or hand-edited value) is no number at all. Used where saturating would be dangerous:
// a saturated option word arms every option bit, the power-off among them.
std::optional<int32_t> strictInt32(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    const size_t last = text.find_last_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return std::nullopt;
    }
    text = text.substr(first, last - first + 1);
    int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// Reads the next element of that name after the cursor; the cursor stays put when it is absent.
bool readElement(CXmlparse& xml, const char* name, std::string& value) {
    if (!xml.findElem(name)) {
        return false;
    }
    value = xml.getData();
    return true;
}

void readRecentProfiles(const std::string& list, ProfileCatalogue& catalogue) {
    for (const std::string& piece : splitOptionList(list)) {
        const int32_t index = parseOptionInt(piece);
        if (index < 0 || index > 0x11FFFF) {
            continue;
        }
        std::optional<Profile> recent = catalogue.rebuildRecent(index);
        if (!recent || catalogue.containsName(kRecentCategory, recent->name)) {
            continue;
        }
        catalogue.add(*recent);
        if (catalogue.count(kRecentCategory) >= kMaxRecentRead) {
            break;
        }
    }
}

} // namespace

std::string SettingsFile::defaultFolder(const std::string& documentsFolder) {
    std::filesystem::path folder = std::filesystem::path(documentsFolder) / "Movara";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return folder.string();
}

bool SettingsFile::load(const std::string& path, VelSettings& settings, ProfileCatalogue& catalogue,
                        const std::string& defaultFolder, SettingsFileContents* contents) {
    SettingsFileContents found;
    CXmlparse xml;
    if (!xml.load(path) || !xml.findElem("VelConfig")) {
        settings.outputFolder = defaultFolder;
        settings.snapshotFolder = defaultFolder;
        if (contents) {
            *contents = found;
        }
        return false;
    }
    xml.intoElem();

    std::string value;
    if (readElement(xml, "Flag", value)) {
        const std::optional<int32_t> flags = strictInt32(value);
        found.flag = flags.has_value();
        if (flags) {
            settings.optionFlags = static_cast<uint32_t>(*flags);
        }
    }
    if ((found.volume = readElement(xml, "Volume", value))) {
        settings.volume = std::clamp(parseOptionInt(value), 0, 100);
    }
    if ((found.savePath = readElement(xml, "SavePath", value))) {
        settings.outputFolder = isFolder(value) ? value : defaultFolder;
    }
    if ((found.snapshotPath = readElement(xml, "SnapshotPath", value))) {
        settings.snapshotFolder = isFolder(value) ? value : defaultFolder;
    }
    if (readElement(xml, "ImageFormat", value)) {
        settings.snapshotFormat = value;
    }
    if (readElement(xml, "ImageWidth", value)) {
        settings.snapshotWidth = parseOptionInt(value);
    }
    if (readElement(xml, "ImageHeight", value)) {
        settings.snapshotHeight = parseOptionInt(value);
    }
    if (readElement(xml, "UpdateInterval", value)) {
        settings.updateInterval = parseOptionInt(value);
    }
    if (readElement(xml, "SkinFileName", value)) {
        settings.skinFile = value;
    }
    if ((found.recentProfiles = readElement(xml, "RecentProfile", value))) {
        readRecentProfiles(value, catalogue);
    }
    xml.outOfElem();

    // A folder that is missing, empty or gone falls back to the default folder, so the output
    // path box never starts (and is never saved back) empty.
    if (!isFolder(settings.outputFolder)) {
        settings.outputFolder = defaultFolder;
    }
    if (!isFolder(settings.snapshotFolder)) {
        settings.snapshotFolder = defaultFolder;
    }
    settings.snapshotWidth = std::clamp(settings.snapshotWidth, 0, 2000);
    settings.snapshotHeight = std::clamp(settings.snapshotHeight, 0, 2000);
    settings.updateInterval = std::clamp(settings.updateInterval, 1, 30);
    if (strcasecmp(settings.snapshotFormat.c_str(), "BMP") != 0 &&
        strcasecmp(settings.snapshotFormat.c_str(), "JPEG") != 0) {
        settings.snapshotFormat = "JPEG";
    }
    if (contents) {
        *contents = found;
    }
    return true;
}

bool SettingsFile::save(const std::string& path, const VelSettings& settings,
                        const ProfileCatalogue& catalogue, const std::string& outputPath,
                        const std::string& skinFileName) {
    std::string recent;
    for (const ProfileRef& record : catalogue.list(kRecentCategory)) {
        if (!recent.empty()) {
            recent += ',';
        }
        recent += std::to_string(record->index);
    }
    const std::pair<const char*, std::string> elements[] = {
        {"Flag", std::to_string(static_cast<int32_t>(settings.optionFlags.load()))},
        {"Volume", std::to_string(settings.volume)},
        {"SavePath", outputPath},
        {"SnapshotPath", settings.snapshotFolder},
        {"ImageFormat", settings.snapshotFormat},
        {"ImageWidth", std::to_string(settings.snapshotWidth)},
        {"ImageHeight", std::to_string(settings.snapshotHeight)},
        {"UpdateInterval", std::to_string(settings.updateInterval)},
        {"SkinFileName", skinFileName},
        {"RecentProfile", recent},
    };

    CXmlparse xml;
    if (!xml.addElem("VelConfig") || !xml.setAttrib("Version", "1.0.0") || !xml.intoElem()) {
        return false;
    }
    for (const auto& [name, value] : elements) {
        if (std::string_view(name) == "RecentProfile" && value.empty()) {
            continue;
        }
        if (!xml.addElem(name, value)) {
            return false;
        }
    }
    return xml.save(path);
}
