// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/DatabaseSummary.h"

#include <QMainWindow>

#include <string>

class QFormLayout;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace tosk {

class DocumentController;
class MainMenuDelegate;

// The welcome window: what a user sees while no patch is open. It starts a
// new patch, opens one (chosen, or from the recent patches), tells how to
// try the editor without a unit, and says which operator database is in
// use. It carries the application menu.
class StartWindow : public QMainWindow {
    Q_OBJECT

public:
    // The document commands come from the delegate's document controller;
    // without one, New, Open and the list do nothing.
    StartWindow(MainMenuDelegate& delegate, const DatabaseSummary& database, QWidget* parent = nullptr);

    void showDatabase(const DatabaseSummary& database);
    // Names the database file stored for the next start when it is not the
    // one in use (a database downloaded from a unit, or chosen in the
    // preferences).
    void showNextDatabase();
    // Lists the recent patches again, looking for each file anew.
    void showRecentDocuments();
    // Opens the recent patch of the item; a file no longer there is said to
    // be missing, and the list keeps it.
    void openRecent(QListWidgetItem* item);

    // The recent path an item of the list stands for.
    static constexpr int kPathRole = Qt::UserRole + 1;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* addRow(const char* key, const char* fallback, const char* name);

    DocumentController* documents_ = nullptr;
    QPushButton* new_ = nullptr;
    QPushButton* open_ = nullptr;
    QListWidget* recent_ = nullptr;
    QLabel* noRecent_ = nullptr;
    QFormLayout* form_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* product_ = nullptr;
    QLabel* version_ = nullptr;
    QLabel* date_ = nullptr;
    QLabel* operators_ = nullptr;
    QLabel* path_ = nullptr;
    QLabel* nextPath_ = nullptr;
    std::string pathInUse_;
};

} // namespace tosk
