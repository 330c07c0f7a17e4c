// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PatchBanks.h"
#include "RunningPatch.h"

#include "comms/Sysex.h"
#include "database/SigDbase.h"

#include <memory>

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tosk::unit {

struct UnitOptions {
    std::string model = "SX-8";
    std::string romRevision; // empty: "5.10" for program-list models, "3.20" for the others
    std::string romDate = "Mar 14 2003 10:21:07";
    uint8_t deviceId = 0;
    std::string database; // bytes of the operator database, empty when none
    bool haveDatabase = false;
    std::shared_ptr<SigDbase> operators; // what the unit can run; null: any name goes
    uint32_t midiMap = 1;                // the MIDI map a program-list unit starts with
    long dropAfter = -1;                 // go silent after this many messages; negative: never
    // After this many messages, the next reply is sent without its end: its
    // head, then bytes that are neither F0 nor F7, until another message
    // comes in (which is answered as usual). Negative: never.
    long endlessAfter = -1;
    // Knobs and sliders (by instance name) whose limits become these once
    // the unit has reported them: a value the front panel still offers is
    // then refused.
    std::map<std::string, std::pair<double, double>> narrowed;
};

// What a unit does with the messages it receives: it keeps banks of patches
// (or, for the program-list models, one list of presets with search
// criteria), a running patch, and an object tree it describes on request.
class UnitSimulator {
public:
    UnitSimulator(UnitOptions options, PatchBanks banks);

    // Feeds bytes read from the line; answers the replies to write, in order.
    std::vector<Bytes> receive(const uint8_t* data, size_t length);

    // Called with every complete message received, dropped ones included.
    std::function<void(const Bytes&)> onMessage;

    bool isProgramListUnit() const { return programList_; }
    // A reply is being sent without end (UnitOptions::endlessAfter).
    bool isStreaming() const { return streaming_; }
    // What goes on the line next while streaming.
    static const Bytes& endlessChunk();
    const std::string& romRevision() const { return options_.romRevision; }
    // Why the unit would refuse a patch text; nothing when it would load it.
    static std::optional<std::string> sigTextProblem(const std::string& text, const SigDbase* operators);

private:
    struct Program {
        std::string number;
        int programNumber = 0;
        std::string name;
        const StoredPatch* patch = nullptr;
        int location = 1;
        bool monolithic = false;
        int inputs = 2, outputs = 2;
        bool highRate = false;
        std::string effects;
        std::string line() const;
    };
    struct Object {
        std::string type, subType, key, parent, statement, tag;
        std::vector<std::string> extra;   // parts after the tag
        std::vector<std::string> strings; // choice lists
        uint32_t current = 0;             // choice lists
        std::vector<std::string> children;
        std::string line(bool withStrings) const;
    };
    struct Running {
        std::string name;
        std::string text;
    };

    std::vector<Bytes> handle(const Bytes& message);
    std::vector<Object> objects() const;
    const Object* find(const std::vector<Object>& all, const std::string& key) const;
    Bytes dump(uint8_t command, const std::string& key, bool withStrings);
    Bytes valuePut(const std::string& key, const std::string& value);
    // The running patch's menu and what it holds.
    void addPatchObjects(std::vector<Object>& all) const;
    // Takes a value for a control of the running patch; an error reply when
    // it is refused, nothing when taken.
    std::optional<Bytes> putPatchValue(const RunningPatch::Control& control, const std::string& value);
    std::pair<double, double> limitsOf(const RunningPatch::Control& control) const;
    Bytes refusal(const std::string& text) const;
    void programChange(uint8_t number);
    std::vector<const Program*> listedPrograms() const;
    std::vector<std::string> screenLines() const;
    Bytes reply(uint8_t command, const std::string& payload, bool terminator = true) const;

    UnitOptions options_;
    PatchBanks banks_;
    bool programList_ = false;
    Bytes pending_;
    bool inFrame_ = false;
    bool awaitingProgram_ = false;
    long received_ = 0;
    bool streaming_ = false;
    bool streamed_ = false;

    int currentBank_ = 0;
    std::optional<Running> running_;
    std::vector<Program> programs_;
    std::vector<uint32_t> criteria_;
    std::optional<size_t> highlight_;
    uint32_t midiMap_ = 0;
    double level_ = 0;
    // Controls of the running patch whose limits have gone out in a dump.
    std::set<std::string> reported_;
};

} // namespace tosk::unit
