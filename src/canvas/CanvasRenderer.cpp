// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvas/CanvasRenderer.h"

#include "Toskfile/CanvasLayout.h"
#include "Toskfile/HeadLayout.h"
#include "Toskfile/Module.h"
#include "canvas/CanvasPainter.h"
#include "canvas/CanvasStyle.h"

#include <QFileInfo>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>

#include <cmath>

namespace tosk {

CanvasRenderer::CanvasRenderer(const ModuleList& patch, Module* head, int showMode, CanvasMarks marks)
    : patch_(patch), head_(head), layout_(showMode), marks_(std::move(marks))
{
    layout_.layOut(patch_, head_);
}

QSizeF CanvasRenderer::extent()
{
    // A patch with nothing on it is still one head box high.
    return QSizeF(std::ceil(layout_.maxX()), std::ceil(std::max(layout_.maxY(), HeadLayout::kBoxHeight)));
}

QRectF CanvasRenderer::wholeArea()
{
    return QRectF(QPointF(0, 0), extent());
}

QRectF CanvasRenderer::areaOf(const std::vector<Module*>& modules)
{
    Rect united;
    for (const Module* module : modules)
        if (module && layout_.isDrawn(*module))
            united = united.united(layout_.graphicRect(*module));
    if (united.isEmpty())
        return QRectF();
    // Whole points, so that the picture's pixels fall where the canvas's do.
    const double left = std::max(0.0, std::floor(united.minX()));
    const double top = std::max(0.0, std::floor(united.minY()));
    return QRectF(QPointF(left, top), QPointF(std::ceil(united.maxX()), std::ceil(united.maxY())));
}

QSize CanvasRenderer::pictureSize(double scale)
{
    return pictureSize(wholeArea(), scale);
}

QSize CanvasRenderer::pictureSize(const QRectF& area, double scale)
{
    return QSize(std::max(1, int(std::ceil(area.width() * scale))), std::max(1, int(std::ceil(area.height() * scale))));
}

QImage CanvasRenderer::image(double scale)
{
    return image(wholeArea(), scale);
}

QImage CanvasRenderer::image(const QRectF& area, double scale)
{
    QImage picture(pictureSize(area, scale), QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.scale(scale, scale);
    painter.translate(-area.topLeft());
    paint(painter, area);
    return picture;
}

void CanvasRenderer::paint(QPainter& painter, const QRectF& area)
{
    CanvasPainter canvas;
    canvas.drawRect(painter, Rect(area.x(), area.y(), area.width(), area.height()), layout_, patch_, head_, marks_);
}

bool CanvasRenderer::writeSvg(QIODevice& device, const QRectF& area, double scale)
{
    QSvgGenerator svg;
    svg.setOutputDevice(&device);
    svg.setSize(pictureSize(area, scale));
    svg.setViewBox(QRectF(0, 0, area.width() * scale, area.height() * scale));
    svg.setResolution(72);
    svg.setTitle(QStringLiteral("Tosk patch"));
    QPainter painter;
    if (!painter.begin(&svg))
        return false;
    painter.scale(scale, scale);
    painter.translate(-area.topLeft());
    paint(painter, area);
    return painter.end();
}

bool CanvasRenderer::write(const QString& path, double scale, QString& error)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != QLatin1String("png") && suffix != QLatin1String("svg")) {
        error = QStringLiteral("the picture's name must end in .png or .svg");
        return false;
    }
    return write(path, suffix == QLatin1String("png") ? Format::Png : Format::Svg, wholeArea(), scale, error);
}

bool CanvasRenderer::write(const QString& path, Format format, const QRectF& area, double scale, QString& error)
{
    // Write beside the target and rename, so that a failure leaves no half
    // picture and the file that was there stays as it was.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    if (format == Format::Png) {
        if (!image(area, scale).save(&file, "PNG")) {
            error = QStringLiteral("the PNG could not be written");
            file.cancelWriting();
            return false;
        }
    } else if (!writeSvg(file, area, scale)) {
        error = QStringLiteral("the SVG could not be written");
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

} // namespace tosk
