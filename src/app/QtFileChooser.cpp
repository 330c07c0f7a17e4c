// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QtFileChooser.h"

#include "app/QtWindows.h"
#include "canvas/Latin1.h"

#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>

namespace tosk {

std::optional<std::string> QtFileChooser::choose(const FileRequest& request)
{
    QWidget* window = widgetFor(request.window);
    QFileDialog dialog(window, Latin1::message(request.title), QFile::decodeName(request.directory.c_str()));
    dialog.setObjectName(QStringLiteral("toskFileDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (window)
        dialog.setWindowModality(Qt::WindowModal);

    if (request.save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        if (!request.fileTypes.empty())
            dialog.setDefaultSuffix(Latin1::qstring(request.fileTypes.front()));
        if (!request.suggestedName.empty())
            dialog.selectFile(QFile::decodeName(request.suggestedName.c_str()));
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(request.chooseFolders ? QFileDialog::Directory : QFileDialog::ExistingFile);
        if (request.chooseFolders)
            dialog.setOption(QFileDialog::ShowDirsOnly);
    }
    if (!request.nameFilters.empty() && !request.chooseFolders) {
        QStringList filters;
        for (const auto& filter : request.nameFilters)
            filters << Latin1::qstring(filter);
        dialog.setNameFilters(filters);
    } else if (!request.fileTypes.empty() && !request.chooseFolders) {
        QStringList patterns;
        for (const auto& type : request.fileTypes)
            patterns << QStringLiteral("*.") + Latin1::qstring(type);
        dialog.setNameFilter(patterns.join(QLatin1Char(' ')));
    }
    if (!request.message.empty()) {
        // Qt's own dialog lays itself out on a grid: the message goes below.
        if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
            auto* label = new QLabel(Latin1::message(request.message), &dialog);
            label->setObjectName(QStringLiteral("message"));
            label->setWordWrap(true);
            grid->addWidget(label, grid->rowCount(), 0, 1, grid->columnCount());
        }
    }

    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    QByteArray path = QFile::encodeName(dialog.selectedFiles().front());
    return std::string(path.constData(), static_cast<size_t>(path.size()));
}

} // namespace tosk
