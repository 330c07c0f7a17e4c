#include "support/TestSupport.h"

#include "base/Alerts.h"
#include "base/Log.h"
#include "database/SigDbase.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>

using namespace tosk;
using namespace tosk::test;

namespace {

using Entry = std::shared_ptr<OperatorEntry>;

std::shared_ptr<SigDbase> bundled()
{
    static std::shared_ptr<SigDbase> db = [] {
        auto d = std::make_shared<SigDbase>();
        d->setFullPathName(dataPath("sigdbase.sbf"));
        LogCapture quiet;
        d->createSigDbase();
        return d;
    }();
    return db;
}

bool isValueEntry(int32_t type)
{
    return type >= 16 && type <= 27;
}
bool isOutput(int32_t type)
{
    return type >= 11 && type <= 13;
}

std::vector<std::string> split(const std::string& text, char sep)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t end = text.find(sep, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

// Evaluates a postfix expression the way modules will, with the fields'
// values given by name. Fails the test on anything a module could not
// evaluate: unknown fields or operators, too few values, empty tokens, a
// stack that does not end with exactly one value.
double evaluate(const std::string& expression, const std::map<std::string, double>& fields, bool high,
                const std::string& where)
{
    static const std::map<std::string, int> arity = {{"add", 2},   {"sub", 2},     {"mul", 2},  {"div", 2},
                                                     {"neg", 1},   {"trunc", 1},   {"ifhi", 2}, {"if", 2},
                                                     {"speed", 0}, {"channels", 0}};
    std::vector<double> stack;
    for (const auto& token : split(expression, '/')) {
        EXPECT_FALSE(token.empty()) << where << ": empty token in " << expression;
        if (token.empty())
            return 0;
        if (token[0] == '@') {
            auto it = fields.find(token.substr(1));
            EXPECT_NE(it, fields.end()) << where << ": no field " << token;
            stack.push_back(it == fields.end() ? 0 : it->second);
        } else if (token[0] == '#') {
            auto op = arity.find(token.substr(1));
            EXPECT_NE(op, arity.end()) << where << ": unknown operator " << token;
            if (op == arity.end() || stack.size() < size_t(op->second)) {
                ADD_FAILURE() << where << ": " << expression;
                return 0;
            }
            double b = op->second >= 1 ? stack.back() : 0;
            if (op->second >= 1)
                stack.pop_back();
            double a = op->second == 2 ? stack.back() : 0;
            if (op->second == 2)
                stack.pop_back();
            const std::string& name = op->first;
            double r = name == "add"     ? a + b
                       : name == "sub"   ? a - b
                       : name == "mul"   ? a * b
                       : name == "div"   ? a / b
                       : name == "neg"   ? -b
                       : name == "trunc" ? std::trunc(b)
                       : name == "ifhi"  ? (high ? a : b)
                       : name == "if"    ? (b != 0 ? a : 0)
                       : name == "speed" ? (high ? 1 : 0)
                                         : 8;
            stack.push_back(r);
        } else {
            size_t used = 0;
            double v = std::stod(token, &used);
            EXPECT_EQ(used, token.size()) << where << ": not a number " << token;
            stack.push_back(v);
        }
    }
    EXPECT_EQ(stack.size(), 1u) << where << ": " << expression;
    return stack.empty() ? 0 : stack.front();
}

// The names a specifier or count of this operator may refer to, with each
// field's DEFAULT as its value; "~n" names stand for the first repetition.
std::map<std::string, double> fieldDefaults(const OperatorDesc& op)
{
    std::map<std::string, double> values;
    for (const auto& entry : op.operatorData()) {
        if (!isValueEntry(entry->entryType()))
            continue;
        values[entry->name()] = OperatorField::decimalValue(entry->nameForType(OperatorField::DEFAULT));
    }
    return values;
}

} // namespace

TEST(BundledDatabase, LoadsCleanlyForAnEightChannelUnit)
{
    SigDbase db;
    LogCapture log;
    ScopedRecordingAlerts alerts;
    db.setFullPathName(dataPath("sigdbase.sbf"));
    ASSERT_TRUE(db.createSigDbase());
    EXPECT_EQ(log.lines(), std::vector<std::string>{"SigDbase loaded: Korvatel SX-8 1.20 2024-05-17"});
    EXPECT_TRUE(alerts.recorded.empty());

    const auto& ops = db.sigDbaseData();
    ASSERT_GE(ops.size(), 62u);
    EXPECT_EQ(ops[ops.size() - 2]->name(), "A_TO_A");
    EXPECT_EQ(ops.back()->name(), "C_TO_C");
    EXPECT_EQ(db.maxChannels(), 8u);
    EXPECT_EQ(db.systemType(), 5);
    EXPECT_EQ(db.headName(), "HEADM");
    EXPECT_EQ(db.operatorForName("SAMPLER"), nullptr);
    EXPECT_EQ(db.versionString(), "1.20");
    EXPECT_EQ(db.dateString(), "2024-05-17");
    EXPECT_EQ(db.productString(), "Korvatel SX-8");
    EXPECT_DOUBLE_EQ(db.versionAsDouble(), 1.2);
    EXPECT_EQ(db.operatorForName("HEAD")->findEntryName("nchannels")->nameForType(OperatorField::MAXIMUM), "8")
        << "the old head's outputs take the unit's channel count";

    std::set<int32_t> classes;
    std::set<std::string> names;
    for (size_t i = 0; i + 2 < ops.size(); ++i) {
        classes.insert(ops[i]->operatorId());
        EXPECT_TRUE(names.insert(ops[i]->name()).second) << "twice: " << ops[i]->name();
    }
    EXPECT_EQ(classes.size(), 16u);
    EXPECT_EQ(*classes.rbegin(), 15) << "classes BRIDGE to SYSTEM only; nodes come from the loader";
}

TEST(BundledDatabase, EveryOperatorBuildsIntoAModule)
{
    std::set<int32_t> valueTypes;
    bool fieldCount = false, expressionCount = false, equalsLimit = false, fieldLimit = false, stringSize = false;
    std::set<std::string> expressionOperators;
    for (const auto& op : bundled()->sigDbaseData()) {
        const std::string& name = op->name();
        const auto& entries = op->operatorData();
        ASSERT_GE(entries.size(), 3u) << name;
        EXPECT_EQ(entries.front()->entryType(), 0) << name;
        EXPECT_EQ(entries.back()->entryType(), 1) << name;
        auto instance = op->findEntryName("opstart_name");
        ASSERT_TRUE(instance) << name;
        EXPECT_EQ(instance->entryType(), 20) << name;
        EXPECT_EQ(op->findEntryText(0, OperatorField::OPERATOR_NAME), name == "MENUPAGE" ? "menupage" : name);
        if (name.find("HEAD") != std::string::npos || name.find("TAIL") != std::string::npos ||
            name.find("MARKER") != std::string::npos) {
            EXPECT_TRUE(name == "HEADM" || name == "HEAD" || name == "TAIL" || name == "MARKER") << name;
        }

        const auto values = fieldDefaults(*op);
        std::set<std::string> seen, fieldNames;
        Entry group;
        for (size_t i = 0; i < entries.size(); ++i) {
            const Entry& e = entries[i];
            const int32_t type = e->entryType();
            const std::string where = name + "/" + e->name();
            EXPECT_TRUE(type == 0 ? i == 0
                        : type == 1
                            ? i + 1 == entries.size()
                            : (type >= 11 && type <= 13) || (type >= 16 && type <= 27) || (type >= 44 && type <= 48))
                << where << " type " << type;
            if (isValueEntry(type) || isOutput(type)) {
                EXPECT_TRUE(fieldNames.insert(e->name()).second) << "field named twice: " << where;
            }
            if (isValueEntry(type))
                valueTypes.insert(type);
            if (isOutput(type)) {
                const std::string& tag = e->nameForType(OperatorField::CONNECT_TAG);
                EXPECT_FALSE(tag.empty()) << where;
                EXPECT_EQ(tag.find('-'), std::string::npos) << where;
            }
            EXPECT_EQ(e->name().find("~n") != std::string::npos,
                      group != nullptr && (isValueEntry(type) || isOutput(type)))
                << where << ": repeated fields are named ~n, and only they";
            if (type == 47) {
                EXPECT_FALSE(group) << where << ": nested group";
                group = e;
                const std::string& count = e->nameForType(OperatorField::ACTION_SPECIFIER);
                ASSERT_FALSE(count.empty()) << where;
                if (count[0] == '@' && count.find('/') == std::string::npos) {
                    fieldCount = true;
                    EXPECT_TRUE(seen.count(count.substr(1))) << where << ": count field must come first";
                } else {
                    expressionCount = true;
                    double n = evaluate(count, values, false, where);
                    EXPECT_GE(n, 1) << where;
                    for (const auto& token : split(count, '/'))
                        if (token[0] == '#')
                            expressionOperators.insert(token);
                        else if (token[0] == '@')
                            expressionOperators.insert("@");
                }
            } else if (type == 48) {
                EXPECT_TRUE(group) << where << ": end without a group";
                group = nullptr;
            }
            for (int32_t key : {OperatorField::MINIMUM, OperatorField::MAXIMUM, OperatorField::STORAGE_SIZE}) {
                const std::string& specifier = e->nameForType(key);
                if (key == OperatorField::STORAGE_SIZE && !specifier.empty() && type == 20)
                    stringSize = true;
                if (specifier.empty())
                    continue;
                if (specifier[0] == '=') {
                    equalsLimit = true;
                    evaluate(specifier.substr(1), values, false, where);
                } else if (specifier[0] == '@') {
                    fieldLimit = true;
                    EXPECT_TRUE(values.count(specifier.substr(1))) << where << ": " << specifier;
                } else {
                    size_t used = 0;
                    std::stod(specifier, &used);
                    EXPECT_EQ(used, specifier.size()) << where << ": " << specifier;
                }
            }
            seen.insert(e->name());
        }
        EXPECT_FALSE(group) << name << ": group left open";
    }
    for (int32_t type = 16; type <= 27; ++type)
        EXPECT_TRUE(valueTypes.count(type)) << "no entry of type " << type;
    EXPECT_TRUE(fieldCount && expressionCount && equalsLimit && fieldLimit && stringSize);
    for (const char* token : {"#channels", "#ifhi", "#if", "#trunc", "@"})
        EXPECT_TRUE(expressionOperators.count(token)) << token;
}

TEST(BundledDatabase, RepeatCountsMeanWhatTheySay)
{
    auto db = bundled();
    auto count = [&](const char* opName, std::map<std::string, double> fields, bool high) {
        auto op = db->operatorForName(opName);
        auto group = op->findEntryKey(47, OperatorField::ACTION_SPECIFIER);
        auto values = fieldDefaults(*op);
        for (const auto& [k, v] : fields)
            values[k] = v;
        return evaluate(group->nameForType(OperatorField::ACTION_SPECIFIER), values, high, opName);
    };
    EXPECT_EQ(count("CHMIX", {{"surround", 0}}, false), 2) << "a stereo pair";
    EXPECT_EQ(count("CHMIX", {{"surround", 1}}, false), 8) << "every channel of the unit";
    EXPECT_EQ(count("GEQ", {{"bandsperoct", 1}}, false), 10);
    EXPECT_EQ(count("GEQ", {{"bandsperoct", 3}}, true), 33) << "one more octave at the high rate";
    EXPECT_EQ(count("COMBBANK", {{"density", 8}}, false), 4);
    EXPECT_EQ(count("COMBBANK", {{"density", 7}}, false), 3);

    auto delay = db->operatorForName("DELAY");
    auto time = delay->findEntryName("time")->nameForType(OperatorField::MAXIMUM);
    EXPECT_EQ(evaluate(time.substr(1), fieldDefaults(*delay), false, "DELAY"), 2000);
    EXPECT_EQ(evaluate(time.substr(1), fieldDefaults(*delay), true, "DELAY"), 1000);
}

TEST(BundledDatabase, SpecialOperatorsHaveTheirTables)
{
    auto db = bundled();
    struct Table {
        const char* op;
        const char* point;
        const char* count;
    } tables[] = {{"WAVEFORM", "point~n", "npoints"},   {"CURVE", "point~n", "npoints"},
                  {"C_CURVE", "point~n", "npoints"},    {"M_CURVE", "point~n", "npoints"},
                  {"M_UCURVE", "point~n", "npoints"},   {"MULTITAP", "obj~n_delay", "taps"},
                  {"MULTITAP2", "obj~n_delay", "taps"}, {"MULTIKNOB", "val~n", "num_tweaks"}};
    for (const auto& t : tables) {
        auto op = db->operatorForName(t.op);
        ASSERT_TRUE(op) << t.op;
        auto group = op->findEntryKey(47, OperatorField::ACTION_SPECIFIER);
        ASSERT_TRUE(group) << t.op;
        EXPECT_EQ(group->nameForType(OperatorField::ACTION_SPECIFIER), std::string("@") + t.count) << t.op;
        auto point = op->findEntryName(t.point);
        ASSERT_TRUE(point) << t.op;
        EXPECT_GT(op->indexOfEntry(point.get()), op->indexOfEntry(group.get())) << t.op;
        // The editors read the point limits as integers.
        for (int32_t key : {OperatorField::MINIMUM, OperatorField::MAXIMUM}) {
            const std::string& limit = point->nameForType(key);
            EXPECT_EQ(std::to_string(OperatorField::integerValue(limit)), limit) << t.op;
        }
    }
    auto npoints = db->operatorForName("WAVEFORM")->findEntryName("npoints");
    EXPECT_EQ(npoints->nameForType(OperatorField::MINIMUM), "32");
    EXPECT_EQ(npoints->nameForType(OperatorField::MAXIMUM), "32");

    for (const char* name : {"TEXTBLOCK", "REMOTER", "N_EXTCONTROL", "VERSION", "TAIL", "MARKER", "HEAD"})
        EXPECT_TRUE(db->operatorForName(name)) << name;

    // Interface operators: a control output, a menu statement and limits.
    int interfaces = 0;
    for (const auto& op : db->sigDbaseData()) {
        if (op->findEntryText(0, OperatorField::OPERATOR_CLASS) != "INTERFACE" ||
            !op->findEntryName("CONTROL", OperatorField::TYPE))
            continue;
        ++interfaces;
        auto menu = op->findEntryName("menu statement", OperatorField::DESCRIPTION);
        ASSERT_TRUE(menu) << op->name();
        const std::string& format = menu->nameForType(OperatorField::DEFAULT);
        EXPECT_NE(format.find('%'), std::string::npos) << op->name();
        EXPECT_TRUE(op->findEntryName("default") || op->findEntryName("ctrl in")) << op->name();
    }
    EXPECT_GE(interfaces, 3);
    auto knob = db->operatorForName("KNOB");
    EXPECT_TRUE(knob->findEntryName("min") && knob->findEntryName("max"));
    auto page = db->operatorForName("menupage");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->findEntryText(0, OperatorField::OPERATOR_CLASS), "INTERFACE");
    auto title = page->entryAtIndex(2);
    EXPECT_EQ(title->nameForType(OperatorField::DESCRIPTION).rfind("8 char name", 0), 0u);

    // The head: repeated inputs counted by "ninputs", the null outputs, and
    // the patch's outputs and user objects as repeated inputs, objects last.
    auto head = db->operatorForName("HEADM");
    for (const char* field : {"obj_desription", "obj_tag", "null", "zero", "nullobj", "in~n", "out~nin", "obj~nin"})
        EXPECT_TRUE(head->findEntryName(field)) << field;
    EXPECT_EQ(head->findEntryName("in~n")->entryType(), 12);
    EXPECT_EQ(head->entryAtIndex(head->count() - 3)->entryType(), 24);
    auto old = db->operatorForName("HEAD");
    for (const char* field : {"null", "zero", "nullobj", "left", "right", "obj_desription", "obj_tag"})
        EXPECT_TRUE(old->findEntryName(field)) << field;
}
