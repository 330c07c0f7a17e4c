// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SingleInstance.h"

#include "base/Log.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

#include <sys/socket.h>
#include <unistd.h>

namespace tosk {

namespace {

// Marks a request, so that anything else that finds the socket is ignored.
constexpr quint32 kRequestMagic = 0x544f534b; // "TOSK"
constexpr quint8 kTaken = 1;
constexpr auto kStreamVersion = QDataStream::Qt_6_0;

// The user at the far end of a connected local socket, as the system
// vouches for it; -1 when it cannot tell.
long peerUser(qintptr descriptor)
{
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (descriptor < 0 || getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0)
        return -1;
    return long(credentials.uid);
}

} // namespace

QString SingleInstance::serverName(const QString& runtimeDir, const QString& display, const QString& waylandDisplay,
                                   const QString& home)
{
    QByteArray key = runtimeDir.toUtf8() + '\n' + display.toUtf8() + '\n' + waylandDisplay.toUtf8();
    // The temporary folder is shared by every user.
    if (runtimeDir.isEmpty())
        key += '\n' + home.toUtf8();
    const QString digest =
        QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(16));
    const QString folder = runtimeDir.isEmpty() ? QDir::tempPath() : runtimeDir;
    return folder + QStringLiteral("/tosk-") + digest + QStringLiteral(".socket");
}

QString SingleInstance::serverNameFromEnvironment()
{
    QString runtimeDir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtimeDir.startsWith(QLatin1Char('/')) || !QFileInfo(runtimeDir).isDir())
        runtimeDir.clear();
    return serverName(runtimeDir, qEnvironmentVariable("DISPLAY"), qEnvironmentVariable("WAYLAND_DISPLAY"),
                      QDir::homePath());
}

QStringList SingleInstance::absolutePaths(const QStringList& paths)
{
    QStringList absolute;
    for (const QString& path : paths)
        absolute << QFileInfo(path).absoluteFilePath();
    return absolute;
}

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent), name_(std::move(name)), user_(long(geteuid()))
{
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::handOff(const QStringList& paths, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    // Without a runtime folder the name is one any local user can take
    // first: a socket of someone else gets no file names and counts as
    // no editor.
    const long peer = peerUser(socket.socketDescriptor());
    if (peer != user_) {
        logf("SingleInstance.handOff: %s belongs to user %ld, not to this user; this start goes on by itself",
             qPrintable(name_), peer);
        return false;
    }
    QByteArray request;
    QDataStream out(&request, QIODevice::WriteOnly);
    out.setVersion(kStreamVersion);
    out << kRequestMagic << paths;
    socket.write(request);
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    while (socket.bytesAvailable() < 1)
        if (!socket.waitForReadyRead(timeoutMs))
            return false;
    char answer = 0;
    return socket.getChar(&answer) && quint8(answer) == kTaken;
}

bool SingleInstance::listen()
{
    if (server_)
        return server_->isListening();
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // Only called when nobody answered on the name: a socket file there is
    // one a crashed editor left.
    QLocalServer::removeServer(name_);
    if (!server_->listen(name_)) {
        logf("SingleInstance.listen: cannot listen on %s: %s", qPrintable(name_), qPrintable(server_->errorString()));
        return false;
    }
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::accept);
    return true;
}

bool SingleInstance::isListening() const
{
    return server_ && server_->isListening();
}

void SingleInstance::accept()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        // Only this user's starts hand files over.
        if (const long peer = peerUser(socket->socketDescriptor()); peer != user_) {
            logf("SingleInstance.accept: a start of user %ld is turned away", peer);
            socket->abort();
            socket->deleteLater();
            continue;
        }
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequest(socket); });
        if (socket->bytesAvailable() > 0)
            readRequest(socket);
    }
}

void SingleInstance::readRequest(QLocalSocket* socket)
{
    QDataStream in(socket);
    in.setVersion(kStreamVersion);
    in.startTransaction();
    quint32 magic = 0;
    QStringList paths;
    in >> magic >> paths;
    if (!in.commitTransaction())
        return; // the rest is still on its way
    if (magic != kRequestMagic) {
        socket->disconnectFromServer();
        return;
    }
    socket->putChar(char(kTaken));
    socket->flush();
    socket->disconnectFromServer();
    // Answered first: opening may ask the user something, and the other
    // start must not wait for that.
    QMetaObject::invokeMethod(
        this, [this, paths] { emit filesReceived(paths); }, Qt::QueuedConnection);
}

} // namespace tosk
