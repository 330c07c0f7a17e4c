#pragma once

#include "Toskfile/ModuleList.h"

#include <memory>
#include <string>

namespace tosk {

class SigDbase;
class SigDocument;

// A patch: the module list of one sig file with the database its modules
// were built from and the document that owns it. Reading and writing the
// file text build on this.
class SigFile : public ModuleList {
public:
    SigFile() = default;
    SigFile(std::shared_ptr<SigDbase> dbase, SigDocument* document)
        : sigDbase_(std::move(dbase)), sigDocument_(document)
    {
    }

    const std::shared_ptr<SigDbase>& sigDbase() const { return sigDbase_; }
    SigDocument* sigDocument() const { return sigDocument_; }
    void setSigDocument(SigDocument* document) { sigDocument_ = document; }

    // The canvas's display flags (Module::ShowMode bits); every bit but
    // SHOW_ORDER at first.
    int showMode() const { return m_ShowMode; }
    void setShowMode(int mode) { m_ShowMode = mode; }

    // The patch's head: its first module whose operator is a head.
    Module* head() const
    {
        for (const auto& m : listOfModules_)
            if (m->isHead())
                return m.get();
        return nullptr;
    }
    // The title, kept in the head ("" without one).
    std::string programName() const { return head() ? head()->fieldText("obj_desription") : std::string(); }
    void setProgramName(const std::string& name)
    {
        if (Module* h = head())
            h->setFieldText("obj_desription", name);
    }
    const std::string& author() const { return author_; }
    void setAuthor(const std::string& author) { author_ = author; }

private:
    std::shared_ptr<SigDbase> sigDbase_;
    SigDocument* sigDocument_ = nullptr;
    int m_ShowMode = ~int(Module::SHOW_ORDER);
    std::string author_;
};

} // namespace tosk
