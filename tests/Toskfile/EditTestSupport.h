// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SigFileTestSupport.h"

#include "Toskfile/PatchEditor.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "base/Alerts.h"

#include <map>
#include <memory>
#include <sstream>
#include <string>

namespace tosk::test {

// A patch of the bundled database with a bit of everything the edit layer
// touches: head inputs and outputs in use, a replaced-source candidate
// (g's gain is fed by the LFO), an interface module, a repeated group.
inline std::string editPatch()
{
    return crlf({"HEADM adc Demo t 2 2 1 mix-out m2-out knob-obj ;=20,40,80,0", "SINE osc 440 0.5 ;=140,40,80,0",
                 "LFO lfo 2 1 0 ;=140,140,80,0", "GAIN g osc-out lfo-out ;=260,40,80,0",
                 "MIXN mix 2 g-out 1 adc-null 0.5 1 ;=380,40,80,0", "MIX2 m2 adc-in1 adc-in2 1 1 ;=260,140,80,0",
                 "KNOB knob \"Knob:%5.2f\" 0 1 0.5 0.5 1 ;=20,220,80,0", "TAIL Ann"});
}

inline std::unique_ptr<SigDocument> openDocument(const std::string& text)
{
    auto doc = std::make_unique<SigDocument>();
    NoWindowServices noWindow;
    doc->initWithData(text, std::nullopt, std::nullopt, bundledDbase());
    return doc;
}

inline Module& moduleNamed(SigDocument& doc, const std::string& name)
{
    Module::Ptr m = doc.sigFile()->findModuleByName(name);
    if (!m)
        throw std::runtime_error("no module " + name);
    return *m;
}

inline Module::FieldPtr fieldOf(SigDocument& doc, const std::string& module, const std::string& field)
{
    Module::FieldPtr f = moduleNamed(doc, module).field(field);
    if (!f)
        throw std::runtime_error("no field " + module + "." + field);
    return f;
}

// The saved line of a module (without its CR LF), "" when none.
inline std::string lineOf(const SigDocument& doc, const std::string& start)
{
    std::istringstream lines(doc.sigData());
    std::string line;
    while (std::getline(lines, line))
        if (line.rfind(start, 0) == 0)
            return line.substr(0, line.size() - (line.empty() || line.back() != '\r' ? 0 : 1));
    return "";
}

// Every output's connection count is the number of inputs of the patch it
// feeds: "" when so, else the first that is not.
inline std::string miscountedOutput(const SigFile& patch)
{
    std::map<const ModuleField*, int> fed;
    for (const auto& m : patch.listOfModules())
        for (const auto& f : m->fieldArray())
            if (f->source())
                ++fed[f->source().get()];
    for (const auto& m : patch.listOfModules())
        for (const auto& f : m->fieldArray())
            if (f->isOutput() && f->numConnects() != fed[f.get()])
                return std::string(m->instanceName()) + "-" + f->name() + " counts " +
                       std::to_string(f->numConnects()) + ", feeds " + std::to_string(fed[f.get()]);
    return "";
}

} // namespace tosk::test
