// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/Module.h"
#include "Toskfile/SigfileTokenizer.h"
#include "base/DataFiles.h"
#include "base/Log.h"
#include "base/TkxException.h"
#include "database/SbfText.h"
#include "database/SigDbase.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tosk::test {

// A buildable operator: header, an instance name of at most 8 characters,
// the given entries, end.
inline std::string modelOperator(const std::string& name, const std::string& cls, std::vector<SbfEntry> body)
{
    std::vector<SbfEntry> entries{
        sbfHeader(name, cls), {"TYPE:ED_STRING", "NAME:opstart_name", "DESCRIPTION:operator name", "STORAGE_SIZE:8"}};
    entries.insert(entries.end(), body.begin(), body.end());
    entries.push_back({"TYPE:OPERATOREND", "NAME:opend"});
    return sbfOperator(entries);
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
    t += modelOperator(
        "HEADM", "SYSTEM",
        sbfEntries("TYPE:ED_INT|NAME:ninputs|DESCRIPTION:inputs|MINIMUM:1|MAXIMUM:8|DEFAULT:2;"
                   "TYPE:SIGNAL|NAME:null|CONNECT_TAG:null;TYPE:CONTROL|NAME:zero|CONNECT_TAG:zero;"
                   "TYPE:USEROBJ|NAME:nullobj|CONNECT_TAG:nullobj;"
                   "TYPE:SIGNAL|NAME:left|CONNECT_TAG:left;TYPE:ED_SIGNAL|NAME:outleft|DESCRIPTION:left out"));
    t += modelOperator(
        "OSC", "OSCILLATOR",
        sbfEntries("TYPE:ED_CONTROL|NAME:freq|DESCRIPTION:frequency|MINIMUM:0|MAXIMUM:20000|DEFAULT:440;"
                   "TYPE:ED_FLOAT|NAME:level|DESCRIPTION:level|MINIMUM:-1|MAXIMUM:1|DEFAULT:0.500;"
                   "TYPE:ED_SIGNAL|NAME:fm|DESCRIPTION:fm in;TYPE:ED_USEROBJ|NAME:objin|DESCRIPTION:object in;"
                   "TYPE:SIGNAL|NAME:out|CONNECT_TAG:out;TYPE:CONTROL|NAME:mod|CONNECT_TAG:mod;"
                   "TYPE:USEROBJ|NAME:obj|CONNECT_TAG:obj"));
    t += modelOperator(
        "MIX", "MIXER",
        sbfEntries("TYPE:ED_INT|NAME:count|DESCRIPTION:number of inputs|MINIMUM:1|MAXIMUM:4|DEFAULT:0;"
                   "TYPE:MULTIPLE|NAME:inputs|ACTION_SPECIFIER:@count;TYPE:ED_SIGNAL|NAME:in~n|DESCRIPTION:input ~n;"
                   "TYPE:ED_FLOAT|NAME:gain~n|DESCRIPTION:gain|MINIMUM:0|MAXIMUM:=@count/2/#mul|DEFAULT:1.000;"
                   "TYPE:SIGNAL|NAME:tap~n|CONNECT_TAG:tap~n;TYPE:MULTIPLEEND|NAME:inputsend;"
                   "TYPE:SIGNAL|NAME:out|CONNECT_TAG:out"));
    t += modelOperator("SPREAD", "MIXER",
                       sbfEntries("TYPE:ED_SIGNAL|NAME:in|DESCRIPTION:in;"
                                  "TYPE:MULTIPLE|NAME:outs|ACTION_SPECIFIER:#channels/2/#div;"
                                  "TYPE:SIGNAL|NAME:out~n|CONNECT_TAG:out~n;TYPE:MULTIPLEEND|NAME:outsend"));
    t += modelOperator(
        "KNOB", "INTERFACE",
        sbfEntries("TYPE:CONTROL|NAME:out|CONNECT_TAG:out;"
                   "TYPE:ED_STRING|NAME:menu|DESCRIPTION:menu statement|DEFAULT:Knob:%5.2f|STORAGE_SIZE:24;"
                   "TYPE:ED_FLOAT|NAME:min|DESCRIPTION:minimum|MINIMUM:-100000|MAXIMUM:100000|DEFAULT:0.000;"
                   "TYPE:ED_FLOAT|NAME:max|DESCRIPTION:maximum|MINIMUM:-100000|MAXIMUM:100000|DEFAULT:1.000;"
                   "TYPE:ED_FLOAT|NAME:default|DESCRIPTION:default|MINIMUM:@min|MAXIMUM:@max|DEFAULT:0.500"));
    t += modelOperator("FILTER", "FILTER",
                       sbfEntries("TYPE:ED_SIGNAL|NAME:in|DESCRIPTION:in;"
                                  "TYPE:ED_CONTROL|NAME:cutoff|DESCRIPTION:cutoff|MINIMUM:-12|MAXIMUM:12|DEFAULT:0;"
                                  "TYPE:ED_INT|NAME:mode|DESCRIPTION:mode|MINIMUM:0|MAXIMUM:10|DEFAULT:3;"
                                  "TYPE:SIGNAL|NAME:out|CONNECT_TAG:out"));
    t += modelOperator("REMOTER", "EXTERNAL", {});
    t += modelOperator("BADTYPE", "MATH", sbfEntries("TYPE:INT|NAME:raw"));
    t += modelOperator("OPENGROUP", "MATH",
                       sbfEntries("TYPE:ED_INT|NAME:n|DEFAULT:2;TYPE:MULTIPLE|NAME:g|ACTION_SPECIFIER:@n;"
                                  "TYPE:ED_INT|NAME:v~n"));
    return t;
}

// A database of one operator of class MATH, its entries written as
// sbfEntries reads them.
inline std::shared_ptr<SigDbase> mathDbase(const std::string& name, const std::string& entries)
{
    return dbaseFromText(modelOperator(name, "MATH", sbfEntries(entries)));
}

inline std::shared_ptr<SigDbase> testDbase()
{
    return dbaseFromText(testDbaseText());
}

// The database that ships with Tosk, read once.
inline std::shared_ptr<SigDbase> bundledDbase()
{
    static const std::shared_ptr<SigDbase> db = [] {
        LogCapture quiet;
        auto d = SigDbase::fromFile(DataFiles::path("sigdbase.sbf"));
        if (!d->sigDbaseCreated())
            throw std::runtime_error("the bundled database did not load");
        return d;
    }();
    return db;
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

using Names = std::vector<std::string>;

// The names and the texts of a module's fields, in order.
inline Names names(const Module& m)
{
    Names result;
    for (const auto& f : m.fieldArray())
        result.push_back(f->name());
    return result;
}

inline Names texts(const Module& m)
{
    Names result;
    for (const auto& f : m.fieldArray())
        result.push_back(std::string(f->text()));
    return result;
}

// "name | reason" of the failure the work raises, or "no failure".
inline std::string failureOf(const std::function<void()>& work)
{
    try {
        work();
    } catch (const TkxException& e) {
        return e.name() + " | " + e.reason();
    }
    return "no failure";
}

} // namespace tosk::test
