// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace tosk {

// One line of a program-list unit's preset list, decoded: number, name, and
// the code characters for location, inputs and outputs, sample rate and
// effect classes.
class R9100ProgramItem {
public:
    enum Effect : int32_t { S = 1, P = 2, R = 4, D = 8, M = 16, C = 32, E = 64, Y = 128 };

    R9100ProgramItem() = default;
    R9100ProgramItem(const std::string& line, uint32_t index) { initWith(line, index); }
    static std::shared_ptr<R9100ProgramItem> programItem(const std::string& line, uint32_t index)
    {
        return std::make_shared<R9100ProgramItem>(line, index);
    }

    void initWith(const std::string& line, uint32_t index);
    // Keeps the number text and splits it into bank (all but the last two
    // characters) and program (the last two).
    void setProgNum(const std::string& text);
    void setProgLoc();
    void setEffects(const char* codes, size_t length);
    void setProgEffects(int32_t effects);

    const std::string& progNum() const { return progNum_; }
    long progNumber() const { return progNumber_; }
    // "∅" (UTF-8) for a disabled item, else the location letter.
    std::string progLoc() const;
    const std::string& progLocLetter() const { return progLoc_; }
    const std::string& progName() const { return progName_; }
    const std::string& progInputs() const { return progInputs_; }
    const std::string& progOutputs() const { return progOutputs_; }
    const std::string& progEffects() const { return progEffects_; }
    // Display symbols, UTF-8: "☯" for monolithic, "☈" for the high rate.
    std::string progMonolitic() const { return monolithic_ ? "\u262F" : " "; }
    std::string progSample() const { return sampleRate_ == 1 ? "\u2608" : " "; }
    uint32_t programIndex() const { return programIndex_; }
    uint32_t bankNumber() const { return bankNumber_; }
    uint32_t programNumber() const { return programNumber_; }
    uint32_t inputs() const { return inputs_; }
    uint32_t outputs() const { return outputs_; }
    bool isMonolithic() const { return monolithic_; }
    bool isDisabled() const { return disabled_; }
    int32_t sampleRate() const { return sampleRate_; }
    int32_t location() const { return location_; }
    int32_t effects() const { return effects_; }

    // "%s %s %c%s%1d%1d%s": number, name (quoted if needed), "M" or a space,
    // location, inputs, outputs, effects.
    std::string description() const;

private:
    void readCodes(const char* p, const char* end);

    std::string progNum_;
    long progNumber_ = 0;
    std::string progLoc_ = "?";
    std::string progName_;
    std::string progInputs_ = "0";
    std::string progOutputs_ = "0";
    std::string progEffects_ = "        ";
    uint32_t programIndex_ = 0;
    uint32_t bankNumber_ = 0;
    uint32_t programNumber_ = 0;
    uint32_t inputs_ = 0;
    uint32_t outputs_ = 0;
    bool monolithic_ = false;
    bool disabled_ = false;
    int32_t sampleRate_ = 0;
    int32_t location_ = 0;
    int32_t effects_ = 0;
};

} // namespace tosk
