#pragma once

#include "Toskfile/Module.h"
#include "Toskfile/SigfileTokenizer.h"
#include "database/SigDbase.h"

#include <initializer_list>
#include <memory>
#include <string>

namespace tosk::test {

// Writes one entry block of a database file from "KEY:value" items.
inline std::string sbfEntry(std::initializer_list<std::string> items)
{
    std::string text = "{\n";
    for (const auto& item : items)
        text += "   " + item + "\n";
    return text + "}\n";
}

// One operator block: header, instance-name entry, the given entries, end.
inline std::string sbfOperator(const std::string& name, const std::string& cls,
                               std::initializer_list<std::string> entries)
{
    std::string text = "{\n";
    text += sbfEntry({"TYPE:OPERATOR", "NAME:opstart ", "OPERATOR_NAME:" + name, "OPERATOR_CLASS:" + cls});
    text += sbfEntry({"TYPE:ED_STRING", "NAME:opstart_name", "DESCRIPTION:operator name", "STORAGE_SIZE:8"});
    for (const auto& e : entries)
        text += e;
    text += sbfEntry({"TYPE:OPERATOREND", "NAME:opend"});
    return text + "}\n";
}

inline std::shared_ptr<SigDbase> dbaseFromText(const std::string& text)
{
    auto db = std::make_shared<SigDbase>();
    if (!db->createSigDbaseFromData(text))
        throw std::runtime_error("test database did not load");
    return db;
}

// A small 8-channel database with one operator for each thing the model
// must handle.
inline std::string testDbaseText()
{
    std::string t;
    t += sbfOperator(
        "HEADM", "SYSTEM",
        {sbfEntry({"TYPE:ED_INT", "NAME:ninputs", "DESCRIPTION:inputs", "MINIMUM:1", "MAXIMUM:8", "DEFAULT:2"}),
         sbfEntry({"TYPE:SIGNAL", "NAME:null", "CONNECT_TAG:null"}),
         sbfEntry({"TYPE:CONTROL", "NAME:zero", "CONNECT_TAG:zero"}),
         sbfEntry({"TYPE:USEROBJ", "NAME:nullobj", "CONNECT_TAG:nullobj"}),
         sbfEntry({"TYPE:SIGNAL", "NAME:left", "CONNECT_TAG:left"}),
         sbfEntry({"TYPE:ED_SIGNAL", "NAME:outleft", "DESCRIPTION:left out"})});
    t += sbfOperator(
        "OSC", "OSCILLATOR",
        {sbfEntry(
             {"TYPE:ED_CONTROL", "NAME:freq", "DESCRIPTION:frequency", "MINIMUM:0", "MAXIMUM:20000", "DEFAULT:440"}),
         sbfEntry({"TYPE:ED_FLOAT", "NAME:level", "DESCRIPTION:level", "MINIMUM:-1", "MAXIMUM:1", "DEFAULT:0.500"}),
         sbfEntry({"TYPE:ED_SIGNAL", "NAME:fm", "DESCRIPTION:fm in"}),
         sbfEntry({"TYPE:ED_USEROBJ", "NAME:objin", "DESCRIPTION:object in"}),
         sbfEntry({"TYPE:SIGNAL", "NAME:out", "CONNECT_TAG:out"}),
         sbfEntry({"TYPE:CONTROL", "NAME:mod", "CONNECT_TAG:mod"}),
         sbfEntry({"TYPE:USEROBJ", "NAME:obj", "CONNECT_TAG:obj"})});
    t += sbfOperator(
        "MIX", "MIXER",
        {sbfEntry({"TYPE:ED_INT", "NAME:count", "DESCRIPTION:number of inputs", "MINIMUM:1", "MAXIMUM:4", "DEFAULT:0"}),
         sbfEntry({"TYPE:MULTIPLE", "NAME:inputs", "ACTION_SPECIFIER:@count"}),
         sbfEntry({"TYPE:ED_SIGNAL", "NAME:in~n", "DESCRIPTION:input ~n"}),
         sbfEntry({"TYPE:ED_FLOAT", "NAME:gain~n", "DESCRIPTION:gain", "MINIMUM:0", "MAXIMUM:=@count/2/#mul",
                   "DEFAULT:1.000"}),
         sbfEntry({"TYPE:SIGNAL", "NAME:tap~n", "CONNECT_TAG:tap~n"}), sbfEntry({"TYPE:MULTIPLEEND", "NAME:inputsend"}),
         sbfEntry({"TYPE:SIGNAL", "NAME:out", "CONNECT_TAG:out"})});
    t += sbfOperator("SPREAD", "MIXER",
                     {sbfEntry({"TYPE:ED_SIGNAL", "NAME:in", "DESCRIPTION:in"}),
                      sbfEntry({"TYPE:MULTIPLE", "NAME:outs", "ACTION_SPECIFIER:#channels/2/#div"}),
                      sbfEntry({"TYPE:SIGNAL", "NAME:out~n", "CONNECT_TAG:out~n"}),
                      sbfEntry({"TYPE:MULTIPLEEND", "NAME:outsend"})});
    t += sbfOperator("KNOB", "INTERFACE",
                     {sbfEntry({"TYPE:CONTROL", "NAME:out", "CONNECT_TAG:out"}),
                      sbfEntry({"TYPE:ED_STRING", "NAME:menu", "DESCRIPTION:menu statement", "DEFAULT:Knob:%5.2f",
                                "STORAGE_SIZE:24"}),
                      sbfEntry({"TYPE:ED_FLOAT", "NAME:min", "DESCRIPTION:minimum", "MINIMUM:-100000", "MAXIMUM:100000",
                                "DEFAULT:0.000"}),
                      sbfEntry({"TYPE:ED_FLOAT", "NAME:max", "DESCRIPTION:maximum", "MINIMUM:-100000", "MAXIMUM:100000",
                                "DEFAULT:1.000"}),
                      sbfEntry({"TYPE:ED_FLOAT", "NAME:default", "DESCRIPTION:default", "MINIMUM:@min", "MAXIMUM:@max",
                                "DEFAULT:0.500"})});
    t += sbfOperator(
        "FILTER", "FILTER",
        {sbfEntry({"TYPE:ED_SIGNAL", "NAME:in", "DESCRIPTION:in"}),
         sbfEntry({"TYPE:ED_CONTROL", "NAME:cutoff", "DESCRIPTION:cutoff", "MINIMUM:-12", "MAXIMUM:12", "DEFAULT:0"}),
         sbfEntry({"TYPE:ED_INT", "NAME:mode", "DESCRIPTION:mode", "MINIMUM:0", "MAXIMUM:10", "DEFAULT:3"}),
         sbfEntry({"TYPE:SIGNAL", "NAME:out", "CONNECT_TAG:out"})});
    t += sbfOperator("REMOTER", "EXTERNAL", {});
    t += sbfOperator("BADTYPE", "MATH", {sbfEntry({"TYPE:INT", "NAME:raw"})});
    t += sbfOperator("OPENGROUP", "MATH",
                     {sbfEntry({"TYPE:ED_INT", "NAME:n", "DEFAULT:2"}),
                      sbfEntry({"TYPE:MULTIPLE", "NAME:g", "ACTION_SPECIFIER:@n"}),
                      sbfEntry({"TYPE:ED_INT", "NAME:v~n"})});
    return t;
}

inline std::shared_ptr<SigDbase> testDbase()
{
    return dbaseFromText(testDbaseText());
}

// A module read from record text (the operator name is the first token).
inline Module::Ptr readModule(const std::string& record, const std::shared_ptr<SigDbase>& db)
{
    SigfileTokenizer tokenizer = SigfileTokenizer::tokenizerWithString(record);
    std::string name = tokenizer.nextToken().value_or("");
    return Module::moduleNamed(name, tokenizer, db);
}

inline Module::Ptr newModule(const std::string& op, const std::string& instance, const std::shared_ptr<SigDbase>& db)
{
    return Module::moduleNamed(op, std::optional<std::string>(instance), db);
}

} // namespace tosk::test
