// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PictureExport.h"

#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "base/Alerts.h"
#include "base/FileChooser.h"
#include "base/Localization.h"
#include "base/Log.h"
#include "canvas/GraphicView.h"
#include "canvas/GraphicWindowController.h"
#include "canvas/Latin1.h"

#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>

namespace tosk {

namespace {

// The last choice, offered again by the next export of this run.
ExportPictureDialog::Choice lastChoice;

const char* extensionOf(CanvasRenderer::Format format)
{
    return format == CanvasRenderer::Format::Svg ? "svg" : "png";
}

struct Picture {
    SigFile* patch = nullptr;
    std::vector<Module*> selection;
    // The window's: the picture shows what the canvas shows.
    int showMode = SigFile::kDefaultShowMode;
};

Picture pictureOf(GraphicWindowController& window)
{
    Picture p;
    GraphicView* view = window.graphicView();
    p.patch = view ? view->sigFile() : nullptr;
    if (view) {
        p.selection = view->selectedModules();
        p.showMode = view->showMode();
    }
    return p;
}

} // namespace

QString PictureExport::withExtension(const QString& path, CanvasRenderer::Format format)
{
    const QString extension = QString::fromLatin1(extensionOf(format));
    if (QFileInfo(path).suffix().compare(extension, Qt::CaseInsensitive) == 0)
        return path;
    return path + QLatin1Char('.') + extension;
}

QImage PictureExport::picture(GraphicWindowController& window, bool selectionOnly, double scale)
{
    Picture p = pictureOf(window);
    if (!p.patch)
        return QImage();
    CanvasRenderer renderer(*p.patch, p.patch->head().get(), p.showMode);
    QRectF area = selectionOnly ? renderer.areaOf(p.selection) : QRectF();
    if (area.isEmpty())
        area = renderer.wholeArea();
    return renderer.image(area, scale);
}

bool PictureExport::write(GraphicWindowController& window, const ExportPictureDialog::Choice& choice,
                          const QString& path, QString& error)
{
    Picture p = pictureOf(window);
    if (!p.patch) {
        error = Latin1::text("ExportNoPatch", "the window shows no patch");
        return false;
    }
    CanvasRenderer renderer(*p.patch, p.patch->head().get(), p.showMode);
    QRectF area = renderer.wholeArea();
    if (choice.selectionOnly) {
        area = renderer.areaOf(p.selection);
        if (area.isEmpty()) {
            error = Latin1::text("ExportNoSelection", "no module is selected");
            return false;
        }
    }
    return renderer.write(path, choice.format, area, choice.scale, error);
}

bool PictureExport::exportPicture(GraphicWindowController& window)
{
    Picture p = pictureOf(window);
    if (!p.patch)
        return false;
    ExportPictureDialog dialog(!p.selection.empty(), lastChoice, &window);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const ExportPictureDialog::Choice choice = dialog.choice();
    lastChoice = choice;

    SigDocument* document = window.sigDocument();
    const std::string file = document ? document->fileName() : std::string();
    FileRequest request;
    request.save = true;
    request.title = localized("ExportPictureTitle", "Export Picture");
    request.fileTypes = {extensionOf(choice.format)};
    request.directory = file.empty() ? QDir::homePath().toStdString()
                                     : QFileInfo(QString::fromStdString(file)).absolutePath().toStdString();
    const std::string stem = file.empty() ? (document ? document->displayName() : std::string("untitled"))
                                          : QFileInfo(QString::fromStdString(file)).completeBaseName().toStdString();
    request.suggestedName = stem + "." + extensionOf(choice.format);
    request.window = &window;
    const auto chosen = FileChooser::shared().choose(request);
    if (!chosen)
        return false;
    const QString path = withExtension(QString::fromStdString(*chosen), choice.format);
    QString error;
    if (!write(window, choice, path, error)) {
        const std::string message =
            format(localized("CannotExportPicture", "The picture could not be written to \"%s\": %s").c_str(),
                   path.toUtf8().constData(), error.toUtf8().constData());
        logf("PictureExport.exportPicture: %s", message.c_str());
        Alerts::error(message, &window);
        return false;
    }
    return true;
}

void PictureExport::copyPicture(GraphicWindowController& window)
{
    const QImage image = picture(window, true, 1);
    if (image.isNull())
        return;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    auto* data = new QMimeData;
    data->setData(QStringLiteral("image/png"), png);
    // Programs that take only the toolkit's image form get it too.
    data->setImageData(image);
    QGuiApplication::clipboard()->setMimeData(data);
}

} // namespace tosk
