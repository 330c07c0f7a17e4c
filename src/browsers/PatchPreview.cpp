// SPDX-License-Identifier: GPL-3.0-or-later
#include "browsers/PatchPreview.h"

#include "Toskfile/PatchLayout.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "base/Localization.h"
#include "base/Log.h"
#include "canvas/CanvasRenderer.h"

#include <QFile>
#include <QPainter>

#include <algorithm>

namespace tosk {

namespace {

QString brokenMessage(const std::string& why)
{
    // The first line says enough beside a tree.
    const std::string first = why.substr(0, why.find('\n'));
    return QString::fromStdString(fillIn(localized("DiskPreviewBroken", "No preview: %s"), {first}));
}

} // namespace

PatchPreview::PatchPreview(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("diskPreview"));
    setAccessibleName(QString::fromStdString(localized("DiskPreview", "Preview")));
    setMinimumSize(120, 120);
}

void PatchPreview::showFile(const QString& path)
{
    if (path == path_ && !path.isEmpty())
        return;
    path_ = path;
    render();
}

void PatchPreview::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    render();
}

void PatchPreview::render()
{
    image_ = QImage();
    scale_ = 0;
    message_.clear();
    if (path_.isEmpty() || width() <= 0 || height() <= 0) {
        update();
        return;
    }
    SigDocument document;
    std::string reason;
    bool loaded = false;
    {
        // What the loader would tell in an alert is told here, in a line.
        LogCapture quiet;
        loaded = document.readFromFile(QFile::encodeName(path_).toStdString(), &reason);
        if (loaded && document.sigFile() && !document.sigFile()->problems().empty())
            reason = document.sigFile()->problems().list().front().message;
    }
    SigFile* patch = document.sigFile();
    if (!loaded || !reason.empty() || !patch || !patch->head()) {
        if (reason.empty())
            reason = localized("DiskPreviewNotPatch", "not a patch");
        message_ = brokenMessage(reason);
        update();
        return;
    }
    // As the patch window does: a patch standing in one column is laid out.
    // A preview shows a patch as a new window opens it.
    const int mode = SigFile::kDefaultShowMode;
    if (PatchLayout::standsInOneColumn(*patch, mode))
        patch->reposition(mode);
    CanvasRenderer renderer(*patch, patch->head().get(), mode);
    const QSizeF extent = renderer.extent();
    const double margin = 8;
    scale_ = std::min({kMaxScale, (width() - 2 * margin) / std::max(1.0, extent.width()),
                       (height() - 2 * margin) / std::max(1.0, extent.height())});
    scale_ = std::max(scale_, 0.05);
    image_ = renderer.image(scale_);
    update();
}

void PatchPreview::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    if (!image_.isNull()) {
        const QPoint at((width() - image_.width()) / 2, (height() - image_.height()) / 2);
        painter.drawImage(at, image_);
        return;
    }
    if (!message_.isEmpty()) {
        painter.setPen(palette().color(QPalette::PlaceholderText));
        painter.drawText(rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap, message_);
    }
}

} // namespace tosk
