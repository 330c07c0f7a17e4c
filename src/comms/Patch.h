// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comms/ParameterList.h"

#include <memory>
#include <string>

namespace tosk {

// A patch stored on a unit: name, number and the bank it lives in.
class Patch {
public:
    Patch(std::string name, int number, int bank);
    static std::shared_ptr<Patch> patchWithName(const std::string& name, int number, int bank)
    {
        return std::make_shared<Patch>(name, number, bank);
    }

    // A patch name made safe as a file name (":" to "-", "/" to "|") and back.
    static std::string convertToFileName(const std::string& name);
    static std::string convertToPatchName(const std::string& fileName);

    const std::string& patchName() const { return patchName_; }
    const std::string& patchNameForFile() const { return patchNameForFile_; }
    int patchNumber() const { return patchNumber_; }
    int bankNumber() const { return bankNumber_; }
    std::string displayName() const { return std::to_string(patchNumber_) + " " + patchName_; }
    ParameterList& parameterList() { return parameterList_; }
    void addParameter(std::shared_ptr<Parameter> parameter) { parameterList_.addParameter(std::move(parameter)); }
    std::vector<std::shared_ptr<Parameter>> parameters() const { return parameterList_.parameters(); }

private:
    std::string patchName_;
    std::string patchNameForFile_;
    int patchNumber_;
    int bankNumber_;
    ParameterList parameterList_;
};

} // namespace tosk
