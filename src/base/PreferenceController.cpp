// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/PreferenceController.h"

#include "base/Log.h"
#include "base/NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>

namespace tosk {

namespace {

constexpr std::array<ColorTableEntry, PreferenceController::kRoleColorCount> kRoleColors{{
    {"ci_default", "default", 0, 0, 0},
    {"ci_signal_stroke", "signal stroke", 0, 128, 0},
    {"ci_signal_fill", "signal fill", 132, 255, 132},
    {"ci_control_stroke", "control stroke", 0, 0, 128},
    {"ci_control_fill", "control fill", 132, 132, 255},
    {"ci_userobject_stroke", "user object stroke", 120, 0, 120},
    {"ci_userobject_fill", "user object fill", 255, 132, 255},
    {"ci_super", "supermod", 255, 0, 255},
    {"ci_comment", "comment", 0, 128, 0},
    {"ci_badsig", "bad signal", 128, 32, 32},
    {"ci_selected", "selection stroke", 255, 0, 0},
    {"ci_select_fill", "selection fill", 255, 128, 128},
    {"ci_normal", "module outline", 32, 32, 32},
    {"ci_stroke", "module stroke", 0, 0, 0},
    {"ci_fill", "module fill", 245, 245, 245},
    {"ci_processorB", "processorB fill", 200, 220, 255},
    {"ci_high", "highlight", 0, 0, 255},
    {"ci_bubble", "bubble", 255, 255, 0},
}};

// Operator classes are labelled by their key.
constexpr std::array<ColorTableEntry, PreferenceController::kOperatorColorCount> kOperatorColors{{
    {"BRIDGE", "BRIDGE", 230, 230, 210},
    {"CONTROLMATH", "CONTROLMATH", 230, 210, 230},
    {"CONTROLPROCESS", "CONTROLPROCESS", 210, 230, 230},
    {"DELAY", "DELAY", 255, 255, 180},
    {"DETECTOR", "DETECTOR", 240, 200, 180},
    {"DYNAMIC", "DYNAMIC", 200, 180, 240},
    {"EXTERNAL", "EXTERNAL", 224, 224, 224},
    {"FILTER", "FILTER", 200, 255, 200},
    {"INTERFACE", "INTERFACE", 255, 180, 255},
    {"MATH", "MATH", 180, 240, 200},
    {"MISCELLANEOUS", "MISCELLANEOUS", 224, 210, 224},
    {"MIXER", "MIXER", 180, 255, 255},
    {"OSCILLATOR", "OSCILLATOR", 255, 200, 130},
    {"PITCHSHIFT", "PITCHSHIFT", 255, 200, 200},
    {"REVERB", "REVERB", 200, 200, 255},
    {"SYSTEM", "SYSTEM", 200, 170, 255},
    {"NODE", "NODE", 240, 240, 240},
    {"UNKNOWN", "UNKNOWN", 240, 230, 130},
    {"Library", "Library", 130, 245, 230},
}};

SettingsStore*& installedStore()
{
    static SettingsStore* store = nullptr;
    return store;
}

SettingsStore& memoryStore()
{
    static MemorySettingsStore store;
    return store;
}

std::unique_ptr<PreferenceController>& sharedInstance()
{
    static std::unique_ptr<PreferenceController> instance;
    return instance;
}

} // namespace

PreferenceController& PreferenceController::shared()
{
    auto& instance = sharedInstance();
    if (!instance) {
        SettingsStore* store = installedStore();
        instance = std::make_unique<PreferenceController>(store ? *store : memoryStore());
    }
    return *instance;
}

void PreferenceController::setStore(SettingsStore* store)
{
    installedStore() = store;
    if (auto& instance = sharedInstance())
        instance->attach(store ? *store : memoryStore());
}

PreferenceController::PreferenceController(SettingsStore& store) : store_(&store)
{
    attach(store);
}

void PreferenceController::attach(SettingsStore& store)
{
    store_ = &store;
    // The line defaults go in together, once; a store that has a bit rate is
    // the user's and is not repaired.
    if (!store.contains(kBaudRate)) {
        store.setValue(kBaudRate, "115200");
        store.setValue(kDataBits, "8");
        store.setValue(kParity, "None");
        store.setValue(kStopBits, "2");
        store.setValue(kFlowControl, "None");
    }
    loadColors(kRoleColors, roleColors_);
    loadColors(kOperatorColors, operatorColors_);
}

template <size_t N>
void PreferenceController::loadColors(const std::array<ColorTableEntry, N>& table, std::array<Color, N>& colors)
{
    for (size_t i = 0; i < N; ++i) {
        const ColorTableEntry& e = table[i];
        colors[i] = Color::fromRgb255(e.red, e.green, e.blue);
        if (auto text = store_->value(e.key)) {
            if (auto color = decodeColor(*text))
                colors[i] = *color;
            else
                logf("PreferenceController: unreadable colour for %s: %s", e.key, text->c_str());
        }
    }
}

int PreferenceController::midiChannel() const
{
    return leadingInteger(stored(kMidiChannel).value_or(""));
}

std::optional<int> PreferenceController::deviceId() const
{
    const std::string text = stored(kDeviceId).value_or("");
    if (text.empty() || text.size() > 3 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const int id = std::stoi(text);
    if (id > kMaxDeviceId)
        return std::nullopt;
    return id;
}

void PreferenceController::setDeviceId(const std::string& text)
{
    if (text.empty())
        store_->remove(kDeviceId);
    else
        store_->setValue(kDeviceId, text);
}

Color PreferenceController::colorForId(int id) const
{
    if (id < 0 || id >= kRoleColorCount)
        return Color::black();
    return roleColors_[static_cast<size_t>(id)];
}

void PreferenceController::setColorForId(const Color& color, int id)
{
    if (id < 0 || id >= kRoleColorCount)
        return;
    roleColors_[static_cast<size_t>(id)] = color;
    store_->setValue(kRoleColors[static_cast<size_t>(id)].key, encodeColor(color));
}

Color PreferenceController::colorForOperatorId(int id) const
{
    if (id < 0 || id >= kOperatorColorCount)
        return Color::white();
    return operatorColors_[static_cast<size_t>(id)];
}

const std::array<ColorTableEntry, PreferenceController::kRoleColorCount>& PreferenceController::roleColorTable()
{
    return kRoleColors;
}

const std::array<ColorTableEntry, PreferenceController::kOperatorColorCount>& PreferenceController::operatorColorTable()
{
    return kOperatorColors;
}

std::string PreferenceController::encodeColor(const Color& color)
{
    // The shortest text that reads back to the same double.
    std::string out;
    for (double component : {color.r, color.g, color.b, color.a}) {
        char buf[32];
        auto result = std::to_chars(buf, buf + sizeof buf, component);
        if (!out.empty())
            out += ' ';
        out.append(buf, result.ptr);
    }
    return out;
}

std::optional<Color> PreferenceController::decodeColor(std::string_view text)
{
    double parts[4];
    const char* p = text.data();
    const char* end = text.data() + text.size();
    for (int i = 0; i < 4; ++i) {
        while (p < end && *p == ' ')
            ++p;
        auto result = std::from_chars(p, end, parts[i]);
        if (result.ec != std::errc() || !std::isfinite(parts[i]) || parts[i] < 0 || parts[i] > 1)
            return std::nullopt;
        p = result.ptr;
    }
    while (p < end && *p == ' ')
        ++p;
    if (p != end)
        return std::nullopt;
    return Color{parts[0], parts[1], parts[2], parts[3]};
}

std::vector<std::string> PreferenceController::backupFolders() const
{
    std::vector<std::string> folders;
    const std::string list = stored(kBackupFolders).value_or("");
    size_t start = 0;
    while (start < list.size()) {
        size_t end = list.find('\n', start);
        if (end == std::string::npos)
            end = list.size();
        if (end > start)
            folders.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return folders;
}

void PreferenceController::addBackupFolder(const std::string& path)
{
    std::vector<std::string> folders = backupFolders();
    if (path.empty() || path.find('\n') != std::string::npos ||
        std::find(folders.begin(), folders.end(), path) != folders.end())
        return;
    folders.push_back(path);
    std::string list;
    for (const auto& f : folders)
        list += (list.empty() ? "" : "\n") + f;
    store_->setValue(kBackupFolders, list);
}

} // namespace tosk
