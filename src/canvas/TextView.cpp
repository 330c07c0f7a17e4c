// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvas/TextView.h"

#include "base/Log.h"
#include "canvas/Latin1.h"

#include <QContextMenuEvent>
#include <QMenu>

namespace tosk {

TextView::TextView(QWidget* parent) : QPlainTextEdit(parent)
{
    setObjectName(QStringLiteral("textView"));
    setAccessibleName(Latin1::text("TextViewName", "Patch as text"));
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    QFont mono(QStringLiteral("DejaVu Sans Mono"));
    mono.setStyleHint(QFont::Monospace);
    mono.setPixelSize(14);
    setFont(mono);
    QPalette colours = palette();
    colours.setColor(QPalette::Base, QColor::fromRgbF(0.95f, 0.95f, 1.0f, 1.0f));
    colours.setColor(QPalette::Text, Qt::black);
    setPalette(colours);
    // Every line (a record of the patch) starts 8 points in.
    document()->setDocumentMargin(8);
}

QMenu* TextView::menuForEvent(const QPoint& position)
{
    if (!textCursor().hasSelection())
        return createStandardContextMenu(position);
    auto* menu = new QMenu(Latin1::text("SigFileOptions", "SigFile Options"), this);
    menu->setObjectName(QStringLiteral("sigFileOptionsMenu"));
    QAction* reorder = menu->addAction(Latin1::text("ReorderModules", "Reorder Modules"));
    connect(reorder, &QAction::triggered, this, [this, reorder] { option(reorder); });
    return menu;
}

void TextView::option(const QAction* item)
{
    logf("the user chose %s", item->text().toUtf8().constData());
}

void TextView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = menuForEvent(event->pos());
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

} // namespace tosk
