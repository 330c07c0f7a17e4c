// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

class QLineEdit;
class QModelIndex;
class QTreeView;
class QWidget;

namespace tosk {

// Narrows a browser's tree to the rows whose names contain the text of a
// filter field, without regard to case, as the user types: a row shows when
// its name matches, when something below it matches (it is opened to show
// it), or when it lies inside a matching group. It searches the rows the
// model has; a browser whose groups are read on opening reads them for it.
// The rows stay in the model, so the selection and drags work on what is
// shown.
class OutlineFilter : public QObject {
    Q_OBJECT

public:
    // Follows `field` (may be null: then setText alone filters) and every
    // change of the view's model.
    OutlineFilter(QTreeView* view, QLineEdit* field);

    // The filter field every browser puts above its rows: a clear button,
    // a placeholder and a name for screen readers.
    static QLineEdit* makeField(QWidget* parent, const QString& objectName, const QString& placeholder,
                                const QString& accessibleName);

    void setText(const QString& text);
    const QString& text() const { return text_; }
    // Applies the filter again to the rows the model has now.
    void apply();
    // While held, changes of the model are not followed (a browser changing
    // many rows at once); the last release applies the filter once.
    void hold() { ++held_; }
    void release();

private:
    // Answers whether any row below `parent` matches.
    bool applyBelow(const QModelIndex& parent, bool insideMatch);

    QTreeView* view_;
    QString text_;
    int held_ = 0;
};

} // namespace tosk
