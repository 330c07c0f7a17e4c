// SPDX-License-Identifier: GPL-3.0-or-later
#include "editors/WaveEditors.h"

#include "Toskfile/Module.h"
#include "Toskfile/ModuleList.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "Toskfile/WaveObject.h"
#include "editors/WaveEditorWindow.h"
#include "editors/WaveformPanel.h"
#include "editors/WaveshapePanel.h"

#include <QPointer>

#include <vector>

namespace tosk {

namespace {

std::vector<QPointer<WaveEditorWindow>>& openEditors()
{
    static std::vector<QPointer<WaveEditorWindow>> editors;
    // Editors that went or are going are forgotten.
    std::erase_if(editors, [](const QPointer<WaveEditorWindow>& e) { return !e || e->isClosing(); });
    return editors;
}

} // namespace

bool WaveEditors::canEdit(const Module& module)
{
    return module.moduleType() == Module::CURVE || WaveObject::isWaveformKind(module.moduleType());
}

WaveEditorWindow* WaveEditors::editorFor(const Module& module)
{
    for (const auto& e : openEditors())
        if (&e->module() == &module)
            return e.data();
    return nullptr;
}

bool WaveEditors::open(const std::shared_ptr<SigDocument>& document, Module& module, QWidget* window)
{
    if (!document || !document->sigFile() || !canEdit(module) ||
        document->sigFile()->indexOfModule(module.trueParent()) == ModuleList::npos)
        return false;
    WaveEditorWindow* editor = editorFor(module);
    if (!editor) {
        Module::Ptr held = module.shared_from_this();
        if (module.moduleType() == Module::CURVE)
            editor = new WaveshapePanel(document, held, window);
        else
            editor = new WaveformPanel(document, held, window);
        openEditors().push_back(editor);
    }
    editor->show();
    editor->raise();
    editor->activateWindow();
    return true;
}

void WaveEditors::closeEditorsOf(const SigDocument& document)
{
    for (const auto& e : std::vector<QPointer<WaveEditorWindow>>(openEditors()))
        if (e && &e->document() == &document)
            e->close();
}

} // namespace tosk
