#pragma once

#include "app/DatabaseSummary.h"

#include <QMainWindow>

#include <string>

class QFormLayout;
class QLabel;

namespace tosk {

class MainMenuDelegate;

// The window that carries the application menu while no patch is open, and
// tells which operator database is in use.
class StartWindow : public QMainWindow {
    Q_OBJECT

public:
    StartWindow(MainMenuDelegate& delegate, const DatabaseSummary& database, QWidget* parent = nullptr);

    void showDatabase(const DatabaseSummary& database);
    // Names the database file stored for the next start when it is not the
    // one in use (a database downloaded from a unit, or chosen in the
    // preferences).
    void showNextDatabase();

private:
    QLabel* addRow(const char* key, const char* fallback, const char* name);

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
