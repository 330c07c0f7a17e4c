// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

class QWidget;

namespace tosk {

class Module;
class SigDocument;
class WaveEditorWindow;

// Where "Edit Specific" opens the wave editors: the waveshape editor for a
// CURVE module, the waveform editor for the other table modules. Each
// module has at most one editor; asking again raises it.
class WaveEditors {
public:
    // Whether the module is one of the kinds with a wave editor.
    static bool canEdit(const Module& module);
    // Opens (or raises) the module's editor as a window of `window` (none: a
    // window of its own); false, with nothing opened, for a module without
    // an editor or one that is not in the document's patch.
    static bool open(const std::shared_ptr<SigDocument>& document, Module& module, QWidget* window);
    // The module's open editor, none when it has none.
    static WaveEditorWindow* editorFor(const Module& module);
    // Closes every editor of the document (its window shows another patch
    // now, or goes).
    static void closeEditorsOf(const SigDocument& document);
};

} // namespace tosk
