// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/FileRequest.h"
#include "base/Problems.h"
#include "database/OperatorDesc.h"

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tosk {

class SettingsStore;

// The operator database: the operators of "sigdbase.sbf" in file order, then
// the node operators the loader adds. One shared instance serves the program;
// tests and tools may make their own.
class SigDbase {
public:
    // Posted (object: the database) after every successful load, so that the
    // add-module panel can rebuild its operator tree.
    static constexpr const char* didLoadNotification = "SigDbaseDidLoad";
    static constexpr const char* pathKey = "SigDbasePath";

    SigDbase() = default; // empty; nothing is read
    SigDbase(const SigDbase&) = delete;
    SigDbase& operator=(const SigDbase&) = delete;

    // A database of its own read from the file at path (empty when it
    // cannot be read; sigDbaseCreated() tells).
    static std::shared_ptr<SigDbase> fromFile(const std::string& path);

    // The process-wide database: the one the app installed, else one made on
    // first use without asking anyone (~/sigdbase.sbf, else the bundled one).
    // Main thread only.
    static std::shared_ptr<SigDbase> sharedSigDbase();
    // Replaces the process-wide database; null makes the next use make one
    // again. Answers the one it replaced, so that it can be put
    // back.
    static std::shared_ptr<SigDbase> setSharedSigDbase(std::shared_ptr<SigDbase> db);

    // The file to read: the path given, else the one stored under pathKey in
    // settings, else ~/sigdbase.sbf, else (with nothing stored) the database
    // that ships with Tosk. A file found other than the bundled one is
    // stored, absolute. Nothing when there is no such file: the caller asks
    // the user (browseRequest()) and stores the answer.
    static std::optional<std::string> locate(const std::string& path, SettingsStore& settings);
    // The open panel that asks for a ".sbf" file, in the stored path's folder.
    static FileRequest browseRequest(const SettingsStore& settings);
    // Empties the database, then loads the file chosen (nothing or "": stays
    // empty). Answers sigDbaseCreated().
    bool initFromPath(const std::optional<std::string>& path);
    // locate() then initFromPath(), asking no one.
    bool initFromFileName(const std::string& path, SettingsStore& settings);

    // (Re)loads from fullPathName(): the operators, the head's input limit,
    // the node operators and the version texts.
    bool createSigDbase();
    // The same from bytes in memory, as if they were the file's.
    bool createSigDbaseFromData(std::string_view bytes);
    // Reads operators from a stream that must start with "{".
    bool loadFromFile(std::istream& in);
    // Reads operators from bytes and appends them; false on a format error
    // (the operators read before it stay).
    bool loadFromData(std::string_view bytes);
    void setEmpty();

    // Appends an operator made elsewhere.
    void addOperator(std::shared_ptr<OperatorDesc> op);
    // Builds a pass-through node operator (entry type CONTROL or SIGNAL; any
    // other gives a node without ports) with the block reader and appends it.
    std::shared_ptr<OperatorDesc> addNode(const std::string& name, int32_t entryType);

    std::shared_ptr<OperatorDesc> operatorForName(std::string_view name) const; // case ignored
    std::shared_ptr<OperatorDesc> operatorForIndex(size_t index) const;
    long indexForOperator(const OperatorDesc* op) const; // -1 when absent
    // True when no operator has the name, trimmed of blanks and line ends.
    bool isNameUnique(std::string_view name) const;
    const std::vector<std::shared_ptr<OperatorDesc>>& sigDbaseData() const { return sigDbaseData_; }

    const std::string& dbaseName() const { return dbaseName_; }
    const std::string& fullPathName() const { return fullPathName_; }
    void setFullPathName(const std::string& path);
    bool sigDbaseCreated() const { return sigDbaseCreated_; }

    // "HEADM", or "HEAD" when the database has no "HEADM".
    std::string headName() const;
    // The unit's channel count from HEADM's "ninputs" maximum: 2, 4 or 8, 0
    // while unknown.
    uint32_t maxChannels() const;
    // The unit class that goes with the channel count: 2 to 5, 0 while unknown.
    int32_t systemType() const;
    // Gives the count field of each repeated group of signals of "HEAD" the
    // maximum n.
    void setMaxChannels(int32_t n);

    // The DEFAULT text of the VERSION operator's entry of that name.
    std::optional<std::string> versionField(std::string_view name) const;
    std::optional<std::string> versionAsString() const { return versionField("verse"); }
    std::optional<std::string> dateAsString() const { return versionField("date"); }
    std::optional<std::string> productAsString() const { return versionField("name"); }
    double versionAsDouble() const;
    // The version texts as they were when the database was loaded.
    const std::optional<std::string>& versionString() const { return versionString_; }
    const std::optional<std::string>& dateString() const { return dateString_; }
    const std::optional<std::string>& productString() const { return productString_; }

    // One line per operator: name, two tabs, class name.
    void dumpOperatorList(std::ostream& out) const;
    void dumpOperatorList() const;

    // The alerts loading raised (an item key no entry knows), in order, for
    // the caller to show.
    const Problems& problems() const { return problems_; }
    Problems takeProblems() { return problems_.take(); }

    // How the unit runs: at the high sample rate some counts and limits of
    // the operators differ (the "ifhi" and "speed" terms of their
    // expressions). The app keeps it as the preference says.
    bool highSampleRate() const { return highSampleRate_; }
    void setHighSampleRate(bool on) { highSampleRate_ = on; }

private:
    bool loadCheckedBytes(std::string_view bytes);
    bool finishLoading();
    void computeChannels() const;

    std::string dbaseName_;
    std::string fullPathName_;
    std::vector<std::shared_ptr<OperatorDesc>> sigDbaseData_;
    // Lower-cased name to the place of the first operator of that name, so
    // that reading a patch finds each record's operator at once.
    std::unordered_map<std::string, size_t> placeOfName_;
    mutable uint32_t maxChannels_ = 0;
    mutable int32_t systemType_ = 0;
    bool sigDbaseCreated_ = false;
    bool highSampleRate_ = false;
    Problems problems_;
    std::optional<std::string> versionString_;
    std::optional<std::string> dateString_;
    std::optional<std::string> productString_;
};

} // namespace tosk
