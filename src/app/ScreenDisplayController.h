// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comms/Sysex.h"

#include <QImage>
#include <QWidget>

class QLabel;
class QPushButton;

namespace tosk {

// The unit's display in a window of its own, as its screen reply carries
// it, with Copy (the picture on the clipboard), Save (a ".tif" file) and
// Save as PNG. Saved files are written whole or not at all; the folder of
// the last one saved ("ScreenSavePath") is where the next save starts.
class ScreenDisplayController : public QWidget {
    Q_OBJECT

public:
    // A new window on the picture in `payload` (the screen reply's payload,
    // nibble-encoded); the caller shows it. Throws TkxException
    // "ScreenBitmap.fromPayload" when the payload is too short for its rows.
    static ScreenDisplayController* displayImageFromData(const Bytes& payload);
    // The picture in a payload, the payload's first row at the top; a
    // screen of no rows or no columns gives a null image. Throws as above.
    static QImage imageFromData(const Bytes& payload);

    explicit ScreenDisplayController(const QImage& image = QImage(), QWidget* parent = nullptr);

    const QImage& image() const { return image_; }

    void onCloseAction();
    void onCopyAction();
    // Each asks for a file and writes the picture to it; false when nothing
    // was written (cancelled, or failed after an alert).
    bool onSaveAction();
    bool onSavePngAction();

private:
    bool saveImage(const char* type, const char* format);

    QImage image_;
    QLabel* imageView_ = nullptr;
};

} // namespace tosk
