// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

namespace tosk {

// One editor per user session and display: a second start hands the files
// it was given to the editor already running (which opens them) and ends.
// The two meet at a local socket whose name is made from the session's
// runtime folder and the display, so that editors of other sessions or
// displays, and tests running side by side with folders of their own,
// never take each other's files. Both ends check that the other is the same
// user (the socket may lie in the shared temporary folder): a socket of
// anyone else counts as no editor, and starts of anyone else are turned
// away.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    // The socket for a runtime folder and display. Without a runtime folder
    // the socket goes to the temporary folder, named for the user's home too.
    static QString serverName(const QString& runtimeDir, const QString& display, const QString& waylandDisplay,
                              const QString& home);
    // The socket for XDG_RUNTIME_DIR, DISPLAY and WAYLAND_DISPLAY as they are.
    static QString serverNameFromEnvironment();

    explicit SingleInstance(QString name, QObject* parent = nullptr);
    ~SingleInstance() override;

    const QString& name() const { return name_; }
    // The user the other end must be: this process's unless set (tests
    // pretend to be someone else).
    void setUser(long user) { user_ = user; }

    // Hands the files (absolute paths) to the editor listening on the name;
    // true when it took them. False at once when none is listening.
    bool handOff(const QStringList& paths, int timeoutMs = 5000);
    // Starts taking files from later starts, replacing a socket left behind
    // by an editor that crashed. False when the socket cannot be made.
    bool listen();
    bool isListening() const;

    // Makes paths absolute against the current folder, as the receiver
    // runs in another.
    static QStringList absolutePaths(const QStringList& paths);

signals:
    // Files handed over by a later start (possibly none: it only asked to
    // be shown).
    void filesReceived(const QStringList& paths);

private:
    void accept();
    void readRequest(QLocalSocket* socket);

    QString name_;
    long user_;
    QLocalServer* server_ = nullptr;
};

} // namespace tosk
