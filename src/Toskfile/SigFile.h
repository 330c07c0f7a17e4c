#pragma once

#include "Toskfile/ModuleList.h"

#include <memory>

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

private:
    std::shared_ptr<SigDbase> sigDbase_;
    SigDocument* sigDocument_ = nullptr;
};

} // namespace tosk
