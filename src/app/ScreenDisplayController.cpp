// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ScreenDisplayController.h"

#include "base/Alerts.h"
#include "base/AtomicFile.h"
#include "base/FileChooser.h"
#include "base/Localization.h"
#include "base/Log.h"
#include "base/PreferenceController.h"
#include "base/TkxException.h"
#include "canvas/Latin1.h"
#include "comms/ScreenBitmap.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImageWriter>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QVBoxLayout>

namespace tosk {

namespace {

// The encoded picture, or nothing with the writer's reason.
std::optional<QByteArray> encoded(const QImage& image, const char* format, QString& reason)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(image)) {
        reason = writer.errorString();
        return std::nullopt;
    }
    return bytes;
}

} // namespace

QImage ScreenDisplayController::imageFromData(const Bytes& payload)
{
    ScreenBitmap bitmap = ScreenBitmap::fromPayload(payload);
    if (bitmap.width() == 0 || bitmap.height() == 0)
        return QImage();
    const Bytes bmp = bitmap.bmpData();
    QImage image;
    if (!image.loadFromData(bmp.data(), int(bmp.size()), "BMP"))
        throw TkxException("ScreenBitmap.fromPayload",
                           format("the %ux%u screen could not be decoded", bitmap.width(), bitmap.height()));
    return image;
}

ScreenDisplayController* ScreenDisplayController::displayImageFromData(const Bytes& payload)
{
    return new ScreenDisplayController(imageFromData(payload));
}

ScreenDisplayController::ScreenDisplayController(const QImage& image, QWidget* parent)
    : QWidget(parent, Qt::Window), image_(image)
{
    setObjectName(QStringLiteral("ScreenDisplayPanel"));
    setWindowTitle(Latin1::text("ScreenTitle", "Unit Screen"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* column = new QVBoxLayout(this);
    imageView_ = new QLabel(this);
    imageView_->setObjectName(QStringLiteral("screenImage"));
    imageView_->setAccessibleName(Latin1::text("ScreenImageName", "Unit screen"));
    imageView_->setAlignment(Qt::AlignCenter);
    // A grey bezel around the picture, shown at its own size.
    imageView_->setFrameShape(QFrame::Box);
    imageView_->setLineWidth(6);
    imageView_->setStyleSheet(QStringLiteral("QLabel { border: 6px solid #8c8c8c; background: #8c8c8c; }"));
    imageView_->setScaledContents(false);
    if (!image_.isNull())
        imageView_->setPixmap(QPixmap::fromImage(image_));
    column->addWidget(imageView_, 1, Qt::AlignCenter);

    auto* buttons = new QHBoxLayout();
    auto add = [&](const char* name, const char* key, const char* fallback, void (ScreenDisplayController::*slot)()) {
        auto* button = new QPushButton(Latin1::text(key, fallback), this);
        button->setObjectName(QString::fromLatin1(name));
        buttons->addWidget(button);
        connect(button, &QPushButton::clicked, this, slot);
        return button;
    };
    add("copyButton", "ScreenCopy", "&Copy", &ScreenDisplayController::onCopyAction);
    auto* save = new QPushButton(Latin1::text("ScreenSave", "&Save..."), this);
    save->setObjectName(QStringLiteral("saveButton"));
    buttons->addWidget(save);
    connect(save, &QPushButton::clicked, this, [this] { onSaveAction(); });
    auto* savePng = new QPushButton(Latin1::text("ScreenSavePng", "Save as &PNG..."), this);
    savePng->setObjectName(QStringLiteral("savePngButton"));
    buttons->addWidget(savePng);
    connect(savePng, &QPushButton::clicked, this, [this] { onSavePngAction(); });
    buttons->addStretch(1);
    QPushButton* close = add("closeButton", "ScreenClose", "Close", &ScreenDisplayController::onCloseAction);
    close->setDefault(true);
    column->addLayout(buttons);
    for (QPushButton* b : findChildren<QPushButton*>())
        b->setEnabled(b == close || !image_.isNull());
}

void ScreenDisplayController::onCloseAction()
{
    close();
}

void ScreenDisplayController::onCopyAction()
{
    if (image_.isNull())
        return;
    auto* data = new QMimeData();
    data->setImageData(image_);
    QString reason;
    if (auto tiff = encoded(image_, "tiff", reason))
        data->setData(QStringLiteral("image/tiff"), *tiff);
    QApplication::clipboard()->setMimeData(data);
}

bool ScreenDisplayController::onSaveAction()
{
    return saveImage("tif", "tiff");
}

bool ScreenDisplayController::onSavePngAction()
{
    return saveImage("png", "png");
}

bool ScreenDisplayController::saveImage(const char* type, const char* format)
{
    PreferenceController& preferences = PreferenceController::shared();
    const std::optional<std::string> last = preferences.screenSavePath();
    FileRequest request;
    request.save = true;
    request.title = localized("SaveScreenImage");
    request.fileTypes = {type};
    request.directory = last ? QFileInfo(QFile::decodeName(last->c_str())).absolutePath().toStdString()
                             : QDir::homePath().toStdString();
    request.suggestedName = std::string("screen.") + type;
    request.window = this;
    std::optional<std::string> chosen = FileChooser::shared().choose(request);
    if (!chosen || chosen->empty())
        return false;
    // The panel gave a name without a dot its suffix and asked before
    // replacing a file: the name it confirmed is the one written.
    const std::string path = *chosen;

    auto cannotSave = [&](const std::string& reason) {
        logf("ScreenDisplayController.onSaveAction: exception %s", reason.c_str());
        Alerts::error(fillIn(localized("CannotSaveScreen", "The screen image could not be saved to \"%s\": %s"),
                             {QFile::decodeName(path.c_str()).toStdString(), reason}),
                      this);
        return false;
    };
    QString reason;
    std::optional<QByteArray> bytes = encoded(image_, format, reason);
    if (!bytes)
        return cannotSave(reason.toStdString());
    try {
        writeFileAtomically(path, std::string_view(bytes->constData(), size_t(bytes->size())), false);
    } catch (const TkxException& e) {
        return cannotSave(e.reason());
    }
    preferences.setScreenSavePath(path);
    return true;
}

} // namespace tosk
