// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

namespace tosk {

// The disk browser's preview: the selected patch drawn as the canvas and
// `tosk-cli render` draw it, scaled to fit, without opening it in a window.
// A file that does not load shows a short message instead.
class PatchPreview : public QWidget {
    Q_OBJECT

public:
    explicit PatchPreview(QWidget* parent = nullptr);

    // Shows the patch at `path`; empty: nothing.
    void showFile(const QString& path);
    const QString& path() const { return path_; }
    // The picture shown and the scale it was drawn at (pixels per point).
    const QImage& image() const { return image_; }
    double scale() const { return scale_; }
    // What shows instead of a picture ("" while a picture shows).
    const QString& message() const { return message_; }

    // The largest scale a preview is drawn at: a small patch is not blown up.
    static constexpr double kMaxScale = 1.0;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void render();

    QString path_;
    QImage image_;
    double scale_ = 0;
    QString message_;
};

} // namespace tosk
