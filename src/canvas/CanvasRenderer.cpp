#include "canvas/CanvasRenderer.h"

#include "Toskfile/CanvasLayout.h"
#include "Toskfile/HeadLayout.h"
#include "canvas/CanvasPainter.h"
#include "canvas/CanvasStyle.h"

#include <QFileInfo>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>

#include <cmath>

namespace tosk {

CanvasRenderer::CanvasRenderer(const ModuleList& patch, Module* head, int showMode, CanvasMarks marks)
    : patch_(patch), head_(head), showMode_(showMode), marks_(std::move(marks))
{
}

QSizeF CanvasRenderer::extent()
{
    CanvasLayout layout;
    layout.layOut(patch_, head_, showMode_);
    // A patch with nothing on it is still one head box high.
    return QSizeF(std::ceil(layout.maxX()), std::ceil(std::max(layout.maxY(), HeadLayout::kBoxHeight)));
}

QSize CanvasRenderer::pictureSize(double scale)
{
    const QSizeF size = extent();
    return QSize(std::max(1, int(std::ceil(size.width() * scale))), std::max(1, int(std::ceil(size.height() * scale))));
}

QImage CanvasRenderer::image(double scale)
{
    QSizeF size = extent();
    QImage picture(pictureSize(scale), QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.scale(scale, scale);
    paint(painter, size);
    return picture;
}

void CanvasRenderer::paint(QPainter& painter, const QSizeF& size)
{
    CanvasLayout layout;
    layout.layOut(patch_, head_, showMode_);
    CanvasPainter canvas;
    canvas.drawRect(painter, Rect(0, 0, size.width(), size.height()), layout, patch_, head_, showMode_, marks_);
}

bool CanvasRenderer::write(const QString& path, double scale, QString& error)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != QLatin1String("png") && suffix != QLatin1String("svg")) {
        error = QStringLiteral("the picture's name must end in .png or .svg");
        return false;
    }
    // Write beside the target and rename, so that a failure leaves no half picture.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    if (suffix == QLatin1String("png")) {
        if (!image(scale).save(&file, "PNG")) {
            error = QStringLiteral("the PNG could not be written");
            file.cancelWriting();
            return false;
        }
    } else {
        QSizeF size = extent();
        QSvgGenerator svg;
        svg.setOutputDevice(&file);
        svg.setSize(pictureSize(scale));
        svg.setViewBox(QRectF(0, 0, size.width() * scale, size.height() * scale));
        svg.setResolution(72);
        svg.setTitle(QStringLiteral("Tosk patch"));
        QPainter painter(&svg);
        painter.scale(scale, scale);
        paint(painter, size);
        painter.end();
    }
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

} // namespace tosk
