// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/SigDbase.h"

#include "base/DataFiles.h"
#include "base/Localization.h"
#include "base/Log.h"
#include "base/NotificationCenter.h"
#include "base/SettingsStore.h"
#include "base/TextCase.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

namespace fs = std::filesystem;

namespace tosk {

namespace {

std::string homeFolder()
{
    const char* home = std::getenv("HOME");
    return home ? home : "";
}

// The stored database path; an empty value counts as none.
std::optional<std::string> storedPath(const SettingsStore& settings)
{
    auto path = settings.value(SigDbase::pathKey);
    if (path && path->empty())
        return std::nullopt;
    return path;
}

bool isFile(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && fs::exists(path, ec) && !fs::is_directory(path, ec);
}

std::string nodeText(const std::string& name, int32_t entryType)
{
    std::string text = "{\n{\n   TYPE:OPERATOR\n   NAME:opstart \n   OPERATOR_NAME:" + name +
                       "\n   OPERATOR_CLASS:NODE\n}\n{\n   TYPE:ED_STRING\n   NAME:opstart_name\n"
                       "   DESCRIPTION:operator name\n}\n";
    if (entryType == OperatorEntry::CONTROL)
        text += "{\n   TYPE:CONTROL\n   NAME:out\n   CONNECT_TAG:out\n   DESCRIPTION:out\n}\n"
                "{\n   TYPE:ED_CONTROL\n   NAME:in\n   DESCRIPTION:in\n}\n";
    else if (entryType == OperatorEntry::SIGNAL)
        text += "{\n   TYPE:SIGNAL\n   NAME:out\n   CONNECT_TAG:out\n   DESCRIPTION:out\n   CONNECT_CLASS:MONO\n}\n"
                "{\n   TYPE:ED_SIGNAL\n   NAME:in\n   DESCRIPTION:in\n}\n";
    text += "{\n   TYPE:OPERATOREND\n   NAME:opend\n}\n}\n";
    return text;
}

// For a log line: the database's bytes are Latin-1.
std::string orNull(const std::optional<std::string>& text)
{
    return text ? latin1ToUtf8(*text) : std::string("(null)");
}

std::shared_ptr<SigDbase>& sharedSlot()
{
    static std::shared_ptr<SigDbase> shared;
    return shared;
}

} // namespace

std::shared_ptr<SigDbase> SigDbase::sharedSigDbase()
{
    std::shared_ptr<SigDbase>& shared = sharedSlot();
    if (!shared) {
        auto db = std::make_shared<SigDbase>();
        MemorySettingsStore nothingStored;
        db->initFromFileName("", nothingStored);
        shared = std::move(db);
    }
    return shared;
}

std::shared_ptr<SigDbase> SigDbase::setSharedSigDbase(std::shared_ptr<SigDbase> db)
{
    std::swap(sharedSlot(), db);
    return db;
}

std::optional<std::string> SigDbase::locate(const std::string& path, SettingsStore& settings)
{
    std::optional<std::string> chosen = path;
    bool unset = false;
    if (path.empty()) {
        chosen = storedPath(settings);
        if (!chosen) {
            unset = true;
            chosen = homeFolder() + "/sigdbase.sbf";
        }
    }
    if (!isFile(*chosen)) {
        // With nothing chosen yet, the database that ships with Tosk comes
        // before asking the user.
        std::string bundled = unset ? DataFiles::path("sigdbase.sbf") : std::string();
        if (!isFile(bundled))
            return std::nullopt;
        logf("SigDbase.initFromFileName: no database chosen, taking the bundled %s", bundled.c_str());
        return bundled;
    }
    // The setting outlives the working folder: keep it absolute.
    std::error_code ec;
    fs::path absolute = fs::absolute(*chosen, ec);
    if (!ec)
        chosen = absolute.lexically_normal().string();
    settings.setValue(pathKey, *chosen);
    return chosen;
}

FileRequest SigDbase::browseRequest(const SettingsStore& settings)
{
    FileRequest request;
    request.title = localized("OpenDBaseFile");
    request.message = localized("CancelProceed");
    request.fileTypes = {"sbf"};
    auto stored = storedPath(settings);
    request.directory = stored ? fs::path(*stored).parent_path().string() : homeFolder();
    return request;
}

bool SigDbase::initFromPath(const std::optional<std::string>& chosen)
{
    setEmpty();
    sigDbaseCreated_ = false;
    setFullPathName("");
    logf("SigDbase.initFromFileName: %s", chosen ? chosen->c_str() : "(null)");
    if (!chosen || chosen->empty())
        return false;
    setFullPathName(*chosen);
    return createSigDbase();
}

bool SigDbase::initFromFileName(const std::string& path, SettingsStore& settings)
{
    return initFromPath(locate(path, settings));
}

void SigDbase::setFullPathName(const std::string& path)
{
    fullPathName_ = path;
    dbaseName_ = fs::path(path).filename().string();
}

bool SigDbase::createSigDbase()
{
    std::ifstream in(fullPathName_, std::ios::binary);
    if (!in) {
        sigDbaseCreated_ = false;
        return false;
    }
    setEmpty();
    sigDbaseCreated_ = loadFromFile(in) && finishLoading();
    return sigDbaseCreated_;
}

bool SigDbase::createSigDbaseFromData(std::string_view bytes)
{
    setEmpty();
    sigDbaseCreated_ = loadCheckedBytes(bytes) && finishLoading();
    return sigDbaseCreated_;
}

bool SigDbase::loadFromFile(std::istream& in)
{
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return loadCheckedBytes(bytes);
}

bool SigDbase::loadCheckedBytes(std::string_view bytes)
{
    // A database file starts with the brace of its first operator.
    if (bytes.size() < 2 || bytes[0] != '{' || bytes[1] == '\0')
        return false;
    return loadFromData(bytes);
}

bool SigDbase::loadFromData(std::string_view bytes)
{
    if (bytes.empty())
        return true;
    size_t last = bytes.rfind('}');
    if (last == std::string_view::npos)
        return true;
    const char* data = bytes.data();
    const size_t length = last + 1;
    size_t pos = 0;
    for (;;) {
        auto op = std::make_shared<OperatorDesc>();
        long used = op->getDataBlock(data + pos, length - pos);
        if (used < 1) {
            if (used == -1)
                problems_.add(AlertStyle::Critical, localized("ERROR", "ERROR"),
                              format("%s: %s", latin1ToUtf8(op->unknownKey()).c_str(),
                                     localized("UnknownFieldType", "Unknown Field Type").c_str()),
                              {localized("OK", "OK")});
            if (used == 0)
                logf("SigDbase.loadFromData: format error in operator block %zu starting at byte %zu",
                     sigDbaseData_.size() + 1, pos);
            return false;
        }
        pos += static_cast<size_t>(used);
        addOperator(std::move(op));
        if (pos >= length)
            return true;
        pos = OpData::skipBlanks(data, pos, length);
        if (pos >= length)
            return true;
    }
}

bool SigDbase::finishLoading()
{
    int32_t channels = static_cast<int32_t>(maxChannels());
    if (channels > 0)
        setMaxChannels(channels);
    if (!operatorForName("A_TO_A"))
        addNode("A_TO_A", OperatorEntry::SIGNAL);
    if (!operatorForName("C_TO_C"))
        addNode("C_TO_C", OperatorEntry::CONTROL);
    versionString_ = versionAsString();
    dateString_ = dateAsString();
    productString_ = productAsString();
    logf("SigDbase loaded: %s %s %s", orNull(productString_).c_str(), orNull(versionString_).c_str(),
         orNull(dateString_).c_str());
    NotificationCenter::defaultCenter().post(didLoadNotification, this);
    return true;
}

void SigDbase::setEmpty()
{
    sigDbaseData_.clear();
    sigDbaseData_.reserve(210);
    placeOfName_.clear();
    maxChannels_ = 0;
    systemType_ = 0;
    versionString_.reset();
    dateString_.reset();
    productString_.reset();
}

void SigDbase::addOperator(std::shared_ptr<OperatorDesc> op)
{
    if (!op)
        return;
    placeOfName_.try_emplace(lowerCased(op->name()), sigDbaseData_.size());
    sigDbaseData_.push_back(std::move(op));
}

std::shared_ptr<OperatorDesc> SigDbase::addNode(const std::string& name, int32_t entryType)
{
    std::string text = nodeText(name, entryType);
    auto op = std::make_shared<OperatorDesc>();
    if (op->getDataBlock(text.data(), text.size()) < 1)
        return nullptr;
    addOperator(op);
    return op;
}

std::shared_ptr<SigDbase> SigDbase::fromFile(const std::string& path)
{
    auto db = std::make_shared<SigDbase>();
    db->setFullPathName(path);
    db->createSigDbase();
    return db;
}

std::shared_ptr<OperatorDesc> SigDbase::operatorForName(std::string_view name) const
{
    if (name.empty())
        return nullptr;
    auto at = placeOfName_.find(lowerCased(name));
    if (at != placeOfName_.end() && sigDbaseData_[at->second]->hasName(name))
        return sigDbaseData_[at->second];
    // An operator renamed after it was added is still found, as before.
    for (const auto& op : sigDbaseData_)
        if (op->hasName(name))
            return op;
    return nullptr;
}

std::shared_ptr<OperatorDesc> SigDbase::operatorForIndex(size_t index) const
{
    return index < sigDbaseData_.size() ? sigDbaseData_[index] : nullptr;
}

long SigDbase::indexForOperator(const OperatorDesc* op) const
{
    for (size_t i = 0; i < sigDbaseData_.size(); ++i)
        if (sigDbaseData_[i].get() == op)
            return static_cast<long>(i);
    return -1;
}

bool SigDbase::isNameUnique(std::string_view name) const
{
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!name.empty() && blank(name.front()))
        name.remove_prefix(1);
    while (!name.empty() && blank(name.back()))
        name.remove_suffix(1);
    return std::none_of(sigDbaseData_.begin(), sigDbaseData_.end(), [&](const auto& op) { return op->hasName(name); });
}

std::string SigDbase::headName() const
{
    return operatorForName("HEADM") ? "HEADM" : "HEAD";
}

void SigDbase::computeChannels() const
{
    auto head = operatorForName("HEADM");
    auto entry = head ? head->findEntryName("ninputs") : nullptr;
    const OperatorField* maximum = entry ? entry->operatorFieldForType(OperatorField::MAXIMUM) : nullptr;
    if (!maximum)
        return;
    switch (maximum->intValue()) {
    case 4:
        maxChannels_ = 4;
        systemType_ = 4;
        break;
    case 8:
        maxChannels_ = 8;
        systemType_ = 5;
        break;
    case 2:
        maxChannels_ = 2;
        systemType_ = operatorForName("SAMPLER") ? 3 : 2;
        break;
    default:
        break;
    }
}

uint32_t SigDbase::maxChannels() const
{
    if (maxChannels_ == 0)
        computeChannels();
    return maxChannels_;
}

int32_t SigDbase::systemType() const
{
    if (maxChannels_ == 0)
        computeChannels();
    return systemType_;
}

void SigDbase::setMaxChannels(int32_t n)
{
    if (n <= 0)
        return;
    auto head = operatorForName("HEAD");
    if (!head)
        return;
    std::shared_ptr<OperatorEntry> counter;
    for (const auto& entry : head->operatorData()) {
        switch (entry->entryType()) {
        case OperatorEntry::MULTIPLE: {
            const std::string& action = entry->nameForType(OperatorField::ACTION_SPECIFIER);
            if (!action.empty() && action[0] == '@')
                counter = head->findEntryName(std::string_view(action).substr(1));
            break;
        }
        case OperatorEntry::SIGNAL:
        case OperatorEntry::ED_SIGNAL:
            if (counter) {
                if (OperatorField* maximum = counter->operatorFieldForType(OperatorField::MAXIMUM)) {
                    maximum->setText(format("%d", n));
                    counter.reset();
                }
            }
            break;
        case OperatorEntry::MULTIPLEEND:
            counter.reset();
            break;
        default:
            break;
        }
    }
}

std::optional<std::string> SigDbase::versionField(std::string_view name) const
{
    auto version = operatorForName("VERSION");
    auto entry = version ? version->findEntryName(name) : nullptr;
    const OperatorField* value = entry ? entry->operatorFieldForType(OperatorField::DEFAULT) : nullptr;
    if (!value)
        return std::nullopt;
    return value->text();
}

double SigDbase::versionAsDouble() const
{
    auto version = versionAsString();
    return version ? OperatorField::decimalValue(*version) : 0.0;
}

void SigDbase::dumpOperatorList(std::ostream& out) const
{
    for (const auto& op : sigDbaseData_) {
        const char* cls = op->operatorName();
        out << op->name() << "\t\t" << (cls ? cls : "") << '\n';
    }
}

void SigDbase::dumpOperatorList() const
{
    dumpOperatorList(std::cout);
}

} // namespace tosk
