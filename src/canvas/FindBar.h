// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/PatchSearch.h"

#include <QColor>
#include <QWidget>

#include <memory>
#include <vector>

class QLabel;
class QLineEdit;
class QToolButton;

namespace tosk {

class SigDocument;

// The find bar at the bottom of a patch window: finds the typed text in the
// patch (PatchSearch) as it is typed, shows which match is chosen of how
// many ("3 of 12"), and walks the matches with Enter and Shift+Enter (or
// the window's Find Next and Find Previous). The matches follow every
// change of the patch while the bar is open. Escape closes the bar; what
// was chosen stays selected.
class FindBar : public QWidget {
    Q_OBJECT

public:
    explicit FindBar(QWidget* parent = nullptr);
    ~FindBar() override;

    // The document searched; the bar follows its changes.
    void setDocument(SigDocument* document);

    QLineEdit* field() const { return field_; }
    QLabel* countLabel() const { return count_; }
    const std::vector<PatchSearch::Match>& matches() const { return matches_; }
    // The match chosen, -1 for none.
    int current() const { return current_; }

    // Shows the bar with its text selected, ready to type over.
    void open();
    // The next or previous match, round the end; opens the bar when it is
    // closed.
    void findNext();
    void findPrevious();
    void closeBar();

    // The background of a field whose text is found nowhere.
    static QColor noMatchColor(const QPalette& palette);

signals:
    // A match was chosen by typing or stepping: the window shows it.
    void matchChosen(const tosk::PatchSearch::Match& match);
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void textEdited();
    void step(int by);
    // Gathers the patch's texts again and finds the text in them, keeping
    // the match chosen where it still is one.
    void refind();
    void showCount();

    SigDocument* document_ = nullptr;
    std::unique_ptr<PatchSearch> search_;
    bool stale_ = true;
    std::vector<PatchSearch::Match> matches_;
    int current_ = -1;
    QLineEdit* field_ = nullptr;
    QLabel* count_ = nullptr;
    QToolButton* previous_ = nullptr;
    QToolButton* next_ = nullptr;
    QToolButton* close_ = nullptr;
};

} // namespace tosk
