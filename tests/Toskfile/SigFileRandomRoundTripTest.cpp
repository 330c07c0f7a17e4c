// SPDX-License-Identifier: GPL-3.0-or-later
// Randomly made patches over the bundled database, every operator among
// them, with groups, nodes, hidden pins, positions or none and texts of any
// Latin-1 byte but the double quote: saving, reading back and saving again
// gives the same bytes and the same patch. A failure names its seed; the
// seeds are fixed, so it happens again on the next run.
#include "SigFileTestSupport.h"

#include "Toskfile/MyExtensions.h"
#include "base/TextCase.h"
#include "database/OperatorDesc.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

using namespace tosk;
using namespace tosk::test;

namespace {

constexpr uint32_t kFirstSeed = 20240901;
constexpr int kPatches = 150;

class PatchMaker {
public:
    PatchMaker(uint32_t seed, std::shared_ptr<SigDbase> db) : rng_(seed), db_(std::move(db)) {}

    // The next patch; `operators` are used in turn, so that every one of
    // them comes up over a run.
    std::unique_ptr<SigFile> make(const std::vector<std::string>& operators, size_t& next)
    {
        auto patch = SigFile::fileWithData(std::nullopt, std::nullopt, db_, nullptr);
        used_ = {"adc"};
        std::vector<Module::Ptr> all{patch->head()};
        const int count = 1 + pick(8);
        for (int i = 0; i < count; ++i) {
            const std::string& op =
                chance(15) ? std::string(chance(50) ? "A_TO_A" : "C_TO_C") : operators[next++ % operators.size()];
            Module::Ptr m = Module::moduleNamed(op, std::nullopt, db_);
            nameUniquely(*m);
            all.push_back(m);
        }
        for (const auto& m : all) {
            fillValues(*m);
            if (chance(50))
                m->moveToPosition(Point{double(pick(1500)), double(pick(1500))});
        }
        for (size_t i = 0; i < all.size(); ++i)
            wire(*patch, all, i);

        ModuleList::List top(all.begin(), all.end());
        for (int groups = pick(3); groups > 0 && top.size() > 1; --groups)
            group(top, all);
        patch->setListOfModules(top);
        for (const auto& m : top)
            m->setDocument(nullptr, patch.get());
        hide(all);
        patch->setProgramName(text(12));
        patch->setAuthor(text(12));
        return patch;
    }

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    bool chance(int percent) { return pick(100) < percent; }

    std::string text(int maxLength)
    {
        std::string s;
        const int length = pick(maxLength + 1);
        while (static_cast<int>(s.size()) < length) {
            const char c = static_cast<char>(0x20 + pick(0xE0));
            if (c != '"')
                s += c;
        }
        return s;
    }

    std::string number() { return numberString((pick(200001) - 100000) / 100.0); }

    void nameUniquely(Module& m)
    {
        for (;;) {
            m.setInstanceName(text(10));
            const std::string name(m.instanceName());
            if (!name.empty() && used_.insert(lowerCased(name)).second)
                return;
        }
    }

    // Fields whose values give the number of repetitions are left alone:
    // changing them would change the fields the record has.
    void fillValues(Module& m)
    {
        std::set<std::string> counts;
        for (const auto& entry : m.opDescriptor()->operatorData()) {
            const std::string& specifier = entry->nameForType(OperatorField::ACTION_SPECIFIER);
            for (size_t at = specifier.find('@'); at != std::string::npos; at = specifier.find('@', at + 1))
                counts.insert(specifier.substr(at + 1, specifier.find('/', at) - at - 1));
        }
        for (const auto& f : m.fieldArray()) {
            if (!f->entry() || f->isOutput() || f->isInvisible() || f->isInput() || f == m.opstartNameField() ||
                counts.count(f->name()))
                continue;
            const int type = f->type();
            const bool integer = type == OperatorEntry::ED_INT || type == OperatorEntry::ED_LONG;
            if (!integer && type != OperatorEntry::ED_FIXED && type != OperatorEntry::ED_FLOAT)
                f->setText(text(12));
            else if (!chance(90))
                f->setText(text(6));
            else
                f->setText(integer ? std::to_string(pick(2001) - 1000) : number());
        }
    }

    // Connects, leaves open or gives an unresolved reference to every input
    // of all[index]; a node's input is fed only from modules made before it,
    // so that nodes never feed each other in a ring.
    void wire(SigFile& patch, const std::vector<Module::Ptr>& all, size_t index)
    {
        Module& m = *all[index];
        const bool node = m.operatorClassIs("NODE");
        for (const auto& f : m.fieldArray()) {
            if (!f->entry() || !f->isInput())
                continue;
            const int roll = pick(100);
            if (roll < 8 && !node) {
                // As a file with a reference to nothing leaves it.
                std::string reference = chance(30) ? std::string() : text(6) + "-nowhere";
                if (isNumeric(reference))
                    reference = "x-nowhere";
                f->setText(reference);
                f->setAsBad(true);
                continue;
            }
            Module::FieldPtr source = roll < 60 || node ? sourceFor(*f, all, node ? index : all.size()) : nullptr;
            if (source)
                patch.connect(*f, source, false, true);
            else if (f->type() == OperatorEntry::ED_CONTROL)
                f->setText(number());
        }
    }

    Module::FieldPtr sourceFor(const ModuleField& input, const std::vector<Module::Ptr>& all, size_t before)
    {
        std::vector<Module::FieldPtr> candidates;
        for (size_t i = 0; i < before; ++i) {
            std::set<std::string> tags;
            for (const auto& f : all[i]->fieldArray()) {
                if (!f->isOutput())
                    continue;
                const std::string tag = lowerCased(f->entryName(OperatorField::CONNECT_TAG));
                // An output the reader could not tell from another.
                if (tag.empty() || !tags.insert(tag).second)
                    continue;
                if (f->targetType() == input.type() &&
                    !isNumeric(std::string(all[i]->instanceName()) + "-" + f->entryName(OperatorField::CONNECT_TAG)))
                    candidates.push_back(f);
            }
        }
        return candidates.empty() ? nullptr : candidates[pick(static_cast<int>(candidates.size()))];
    }

    // Wraps a run of modules after the head into a group (groups nest when
    // the run holds one). Its name is now and then one of a module's.
    void group(ModuleList::List& top, const std::vector<Module::Ptr>& all)
    {
        const int first = 1 + pick(static_cast<int>(top.size()) - 1);
        const int length = 1 + pick(std::min(4, static_cast<int>(top.size()) - first));
        ModuleList::List members(top.begin() + first, top.begin() + first + length);
        std::optional<std::string> name;
        if (chance(70))
            name = chance(40) ? all[1 + pick(static_cast<int>(all.size()) - 1)]->instanceName() : text(8);
        auto g = std::make_shared<SModule>();
        g->addModules(text(8), members, name, true);
        if (chance(30))
            g->addInfo(";=" + std::to_string(pick(1500)) + "," + std::to_string(pick(1500)));
        top.erase(top.begin() + first, top.begin() + first + length);
        top.insert(top.begin() + first, g);
    }

    // Hide counts anywhere the file keeps them; an input fed by an output
    // shows what its real source shows, as the reader makes it.
    void hide(const std::vector<Module::Ptr>& all)
    {
        for (const auto& m : all)
            for (const auto& f : m->fieldArray())
                if (!f->isAlwaysHidden() && !(f->isInput() && f->source()) && chance(15))
                    f->setHideCount(static_cast<uint8_t>(1 + pick(255)));
        for (const auto& m : all) {
            for (const auto& f : m->fieldArray()) {
                if (!f->isInput() || !f->source())
                    continue;
                Module::FieldPtr real = f->source();
                while (real && real->parent() && real->parent()->operatorClassIs("NODE")) {
                    Module::FieldPtr in = real->parent()->field("in");
                    real = in ? in->source() : nullptr;
                }
                if (real && !real->isNullOutput())
                    f->setHideCount(real->hideCount());
            }
        }
    }

    std::mt19937 rng_;
    std::shared_ptr<SigDbase> db_;
    std::set<std::string> used_;
};

// "operator instance" of every module a unit is sent, members under their
// group.
void unitModules(const ModuleList& list, Names& out, const std::string& indent)
{
    for (const auto& m : list.moduleArray()) {
        if (auto* g = dynamic_cast<const SModule*>(m.get())) {
            out.push_back(indent + "group " + g->moduleName() + " " + std::string(g->instanceName()));
            unitModules(g->moduleList(), out, indent + "  ");
        } else if (m->opDescriptor()->operatorId() < OperatorDesc::OP_ID_NODE) {
            out.push_back(indent + m->name() + " " + std::string(m->instanceName()));
        }
    }
}

} // namespace

TEST(SigFileRandomRoundTrip, PatchesOfEveryOperatorSaveReadAndSaveTheSame)
{
    const auto db = bundledDbase();
    std::vector<std::string> operators;
    for (const auto& op : db->sigDbaseData())
        if (!containsIgnoringCase(op->name(), "HEAD") && !containsIgnoringCase(op->name(), "TAIL"))
            operators.push_back(op->name());
    ASSERT_GT(operators.size(), 80u);
    size_t next = 0;
    for (int i = 0; i < kPatches && !HasFailure(); ++i) {
        const uint32_t seed = kFirstSeed + static_cast<uint32_t>(i);
        SCOPED_TRACE("seed " + std::to_string(seed));
        LogCapture quiet;
        std::unique_ptr<SigFile> patch;
        ASSERT_NO_THROW(patch = PatchMaker(seed, db).make(operators, next));
        const std::string first = patch->dataRepresentation();
        LoadedText again = loadText(first, db);
        const std::string second = again.patch->dataRepresentation();
        const std::string upload = again.patch->uploadRepresentation();
        EXPECT_EQ(again.patch->loadError(), std::nullopt);
        EXPECT_EQ(second, first);
        EXPECT_EQ(patchShape(*again.patch), patchShape(*patch)) << first;

        // What a unit is sent reads back as the same modules, every
        // reference resolved.
        LoadedText unit = loadText(upload, db);
        EXPECT_EQ(unit.patch->loadError(), std::nullopt);
        EXPECT_EQ(unit.patch->unresolvedCount(), 0) << upload;
        Names sent, kept;
        unitModules(*unit.patch, sent, "");
        unitModules(*again.patch, kept, "");
        EXPECT_EQ(sent, kept) << upload;
    }
    EXPECT_GE(next, operators.size()) << "every operator was in a patch";
}
