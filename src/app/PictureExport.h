// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/ExportPictureDialog.h"

#include <QImage>
#include <QString>

namespace tosk {

class GraphicWindowController;

// File ▸ Export Picture… and Edit ▸ Copy Picture of a patch window: the
// patch drawn by the canvas's own painters (CanvasRenderer), as
// `tosk-cli render` draws it, without the marks of the interaction.
class PictureExport {
public:
    // Asks for format, area and scale, then for the file, and writes the
    // picture. False when nothing was written: cancelled, or failed, which
    // the user is told with the reason.
    static bool exportPicture(GraphicWindowController& window);
    // Writes the picture the choice describes to `path`, replaced whole or
    // not at all; false with a reason when it cannot.
    static bool write(GraphicWindowController& window, const ExportPictureDialog::Choice& choice, const QString& path,
                      QString& error);
    // The selected modules' area (the whole patch when none is selected) at
    // `scale`.
    static QImage picture(GraphicWindowController& window, bool selectionOnly, double scale);
    // Puts the selected modules' area (the whole patch when none is
    // selected) on the clipboard as PNG, at one pixel per point.
    static void copyPicture(GraphicWindowController& window);
    // `path` ending in the format's extension: a name without it, or with
    // another, gets it added.
    static QString withExtension(const QString& path, CanvasRenderer::Format format);
};

} // namespace tosk
