#pragma once

#include "app/DatabaseSummary.h"

#include <QMainWindow>

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

private:
    QLabel* addRow(const char* key, const char* fallback, const char* name);

    QFormLayout* form_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* product_ = nullptr;
    QLabel* version_ = nullptr;
    QLabel* date_ = nullptr;
    QLabel* operators_ = nullptr;
    QLabel* path_ = nullptr;
};

} // namespace tosk
