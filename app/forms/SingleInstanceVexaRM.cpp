#include "SingleInstanceVexaRM.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

#include <unistd.h>

namespace vexa {

namespace {

const char kMutexName[] = "Korvel_Vexa_SW";
const char kActivate[] = "activate";

std::vector<TSingleInstanceVexaRM::WindowEntry> BuildTable() {
    // Each application family has six device variants and a demo title.
    struct Family {
        const char *windowClass;
        const char *title;
    };
    const Family families[] = {
        {"TMainForm", "ZovuDori Vexa"},             // this program
        {"TScopeMainForm", "ZovuDori Vexa Scope "}, // sibling scope program
        {"TScopeMainForm", "ZovuDori Vexa Oszilloskop "},
        {"TSpectrumMainForm", "ZovuDori Vexa Spectrum "},
        {"TSpectrumMainForm", "ZovuDori Vexa Spektrum "},
        {"TLoggerMainForm", "ZovuDori Vexa Logger "},
    };
    std::vector<TSingleInstanceVexaRM::WindowEntry> t;
    for (const auto &f : families) {
        for (int digit = 1; digit <= 6; ++digit)
            t.emplace_back(QString::fromLatin1(f.windowClass),
                           QString::fromLatin1(f.title) + QString::number(digit));
        t.emplace_back(QString::fromLatin1(f.windowClass),
                       QString::fromLatin1(f.title) +
                           QStringLiteral("X      <-RUNNING IN DEMO MODE->"));
    }
    return t;
}

} // namespace

TSingleInstanceVexaRM::TSingleInstanceVexaRM(QObject *parent) : QObject(parent) {}

TSingleInstanceVexaRM::~TSingleInstanceVexaRM() {
    if (FServer) FServer->close();
    Release();
}

const std::vector<TSingleInstanceVexaRM::WindowEntry> &TSingleInstanceVexaRM::WindowTable() {
    static const std::vector<WindowEntry> table = BuildTable();
    return table;
}

QString TSingleInstanceVexaRM::ServerName(const QString &windowClass, const QString &title) {
    // Socket names live in the temp folder, shared by all users: the user id
    // keeps them apart, the hash keeps blanks and symbols out of the name.
    QByteArray key = (windowClass + QLatin1Char('\n') + title).toUtf8();
    QByteArray hash = QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(16);
    return QStringLiteral("%1_%2_%3")
        .arg(QLatin1String(kMutexName))
        .arg(static_cast<qulonglong>(getuid()))
        .arg(QString::fromLatin1(hash));
}

bool TSingleInstanceVexaRM::Acquire() {
    if (FAcquired) return true;
    QString path = QDir(QDir::tempPath())
                       .filePath(QStringLiteral("%1_%2.lock")
                                     .arg(QLatin1String(kMutexName))
                                     .arg(static_cast<qulonglong>(getuid())));
    FLock = std::make_unique<QLockFile>(path);
    // A lock left by a process that no longer runs is taken over.
    FLock->setStaleLockTime(0);
    FAcquired = FLock->tryLock(0);
    if (!FAcquired) FLock.reset();
    return FAcquired;
}

void TSingleInstanceVexaRM::Release() {
    if (FLock) FLock->unlock();
    FLock.reset();
    FAcquired = false;
}

bool TSingleInstanceVexaRM::ActivateRunning(int timeoutMs) {
    for (const auto &entry : WindowTable()) {
        QLocalSocket socket;
        socket.connectToServer(ServerName(entry.first, entry.second));
        if (!socket.waitForConnected(timeoutMs / 10 + 1)) continue;
        socket.write(kActivate);
        socket.flush();
        socket.waitForBytesWritten(timeoutMs);
        socket.disconnectFromServer();
        if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(timeoutMs);
        return true;
    }
    return false;
}

bool TSingleInstanceVexaRM::Listen(const QString &windowClass, const QString &title) {
    QString name = ServerName(windowClass, title);
    if (FServer && name == FListeningName && FServer->isListening()) return true;
    if (!FServer) {
        FServer = new QLocalServer(this);
        FServer->setSocketOptions(QLocalServer::UserAccessOption);
        connect(FServer, &QLocalServer::newConnection, this,
                &TSingleInstanceVexaRM::OnNewConnection);
    }
    FServer->close();
    FListeningName.clear();
    // Only the owner of the lock listens, so a socket file under this name
    // is a leftover of a copy that ended abnormally.
    if (FAcquired) QLocalServer::removeServer(name);
    if (!FServer->listen(name)) return false;
    FListeningName = name;
    return true;
}

void TSingleInstanceVexaRM::OnNewConnection() {
    while (QLocalSocket *socket = FServer->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            QByteArray msg = socket->readAll();
            if (msg.contains(kActivate)) emit ActivateRequested();
        });
    }
}

} // namespace vexa
