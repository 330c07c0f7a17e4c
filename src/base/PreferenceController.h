// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Color.h"
#include "base/SettingsStore.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tosk {

// Indexes of the drawing-role colours (colorForId).
enum ColorId : int {
    ci_default = 0,
    ci_signal_stroke,
    ci_signal_fill,
    ci_control_stroke,
    ci_control_fill,
    ci_userobject_stroke,
    ci_userobject_fill,
    ci_super,
    ci_comment,
    ci_badsig,
    ci_selected,
    ci_select_fill,
    ci_normal,
    ci_stroke,
    ci_fill,
    ci_processorB,
    ci_high,
    ci_bubble,
};

// One row of a colour table: the key it is stored under, a label for people,
// and its colour when nothing is stored (components 0 to 255).
struct ColorTableEntry {
    const char* key;
    const char* label;
    int red;
    int green;
    int blue;
};

// Everything the user sets once for the whole application: where the
// operator database lives, start-up and sample-rate switches, how the unit is
// reached, and the two colour tables every drawing uses. Values live in a
// SettingsStore; colours are read once and written through on change.
class PreferenceController {
public:
    static constexpr const char* kSigDbasePath = "SigDbasePath";
    static constexpr const char* kCreateNewDoc = "CreateNewDocKey";
    static constexpr const char* kHighSampleRate = "HighSampleRateKey";
    static constexpr const char* kConnectionType = "ConnectionTypeKey";
    static constexpr const char* kMidiChannel = "MidiChannelKey";
    static constexpr const char* kMidiPortName = "MidiPortName";
    static constexpr const char* kDeviceId = "DeviceId";
    static constexpr const char* kPortName = "PortName";
    static constexpr const char* kBaudRate = "BaudRate";
    static constexpr const char* kDataBits = "DataBits";
    static constexpr const char* kParity = "Parity";
    static constexpr const char* kStopBits = "StopBits";
    static constexpr const char* kFlowControl = "FlowControl";
    static constexpr const char* kScreenSavePath = "ScreenSavePath";
    static constexpr const char* kDiskPatchPath = "DiskPatchPath";
    // The folders Back Up All Banks made, one a line: the library searches
    // them beside the disk browser's folder.
    static constexpr const char* kBackupFolders = "BackupFolders";

    static constexpr int kRoleColorCount = 18;
    static constexpr int kOperatorColorCount = 19;

    // The process-wide controller, created on first use over the installed
    // store.
    static PreferenceController& shared();
    // Installs the store the shared controller reads (null: a process-wide
    // in-memory store). Meant for start-up; when the shared controller exists
    // already it is set up again over the new store.
    static void setStore(SettingsStore* store);

    // A controller of its own over `store` (which must outlive it): writes the
    // serial defaults when "BaudRate" is absent and reads both colour tables.
    explicit PreferenceController(SettingsStore& store);
    PreferenceController(const PreferenceController&) = delete;
    PreferenceController& operator=(const PreferenceController&) = delete;

    SettingsStore& store() const { return *store_; }

    std::string sigDbaseLocation() const { return stored(kSigDbasePath).value_or(""); } // "" when unset
    void setSigDbaseLocation(const std::string& path) { store_->setValue(kSigDbasePath, path); }
    bool createNewDoc() const { return store_->boolValue(kCreateNewDoc); }
    void setCreateNewDoc(bool on) { store_->setBool(kCreateNewDoc, on); }
    bool highSampleRate() const { return store_->boolValue(kHighSampleRate); }
    void setHighSampleRate(bool on) { store_->setBool(kHighSampleRate, on); }

    bool connectWithMidi() const { return stored(kConnectionType) == "Midi"; }
    bool connectWithSerial() const { return stored(kConnectionType) == "Serial"; }
    void setConnectionType(const std::string& type) { store_->setValue(kConnectionType, type); } // "Midi", "Serial"
    int midiChannel() const; // the stored text's leading integer; 0 when none
    void setMidiChannel(const std::string& text) { store_->setValue(kMidiChannel, text); }
    // The MIDI interface: its card's id and its name; "PortName" keeps the
    // serial port meanwhile, for switching back.
    std::optional<std::string> midiPortName() const { return stored(kMidiPortName); }
    void setMidiPortName(const std::string& name) { store_->setValue(kMidiPortName, name); }
    // The unit's device id as the user typed it (0 to 127); nothing when
    // unset or unreadable: the id is then learned from the unit.
    std::optional<int> deviceId() const;
    // Empty text removes the setting.
    void setDeviceId(const std::string& text);
    static constexpr int kMaxDeviceId = 127;

    // The stored line settings; nothing when unset.
    std::optional<std::string> portNameDefault() const { return stored(kPortName); }
    std::optional<std::string> baudRateDefault() const { return stored(kBaudRate); }
    std::optional<std::string> dataBitsDefault() const { return stored(kDataBits); }
    std::optional<std::string> parityDefault() const { return stored(kParity); }
    std::optional<std::string> stopBitsDefault() const { return stored(kStopBits); }
    std::optional<std::string> flowControlDefault() const { return stored(kFlowControl); }
    void setPortName(const std::string& value) { store_->setValue(kPortName, value); }
    void setBaudRate(const std::string& value) { store_->setValue(kBaudRate, value); }
    void setDataBits(const std::string& value) { store_->setValue(kDataBits, value); }
    void setParity(const std::string& value) { store_->setValue(kParity, value); }
    void setStopBits(const std::string& value) { store_->setValue(kStopBits, value); }
    void setFlowControl(const std::string& value) { store_->setValue(kFlowControl, value); }

    std::optional<std::string> screenSavePath() const { return stored(kScreenSavePath); }
    void setScreenSavePath(const std::string& path) { store_->setValue(kScreenSavePath, path); }
    std::optional<std::string> diskPatchPath() const { return stored(kDiskPatchPath); }
    void setDiskPatchPath(const std::string& path) { store_->setValue(kDiskPatchPath, path); }
    std::vector<std::string> backupFolders() const;
    // Adds a folder to the list (once).
    void addBackupFolder(const std::string& path);

    // Drawing-role colour; black for an index outside 0..17.
    Color colorForId(int id) const;
    // Replaces and stores a role colour; indexes outside 0..17 are ignored.
    void setColorForId(const Color& color, int id);
    // Operator-class colour by class index; white outside 0..18.
    Color colorForOperatorId(int id) const;

    static const std::array<ColorTableEntry, kRoleColorCount>& roleColorTable();
    static const std::array<ColorTableEntry, kOperatorColorCount>& operatorColorTable();

    // How a colour is kept in the store: "r g b a", each 0 to 1. Decoding
    // answers nothing for text that is not four such numbers.
    static std::string encodeColor(const Color& color);
    static std::optional<Color> decodeColor(std::string_view text);

private:
    void attach(SettingsStore& store);
    template <size_t N> void loadColors(const std::array<ColorTableEntry, N>& table, std::array<Color, N>& colors);
    std::optional<std::string> stored(const char* key) const { return store_->value(key); }

    SettingsStore* store_;
    std::array<Color, kRoleColorCount> roleColors_;
    std::array<Color, kOperatorColorCount> operatorColors_;
};

} // namespace tosk
