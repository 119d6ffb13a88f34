#include "SingleInstanceVexaRM.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

#include <sys/stat.h>
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

// A folder that belongs to this user and that nobody else can enter.
bool IsPrivateFolder(const QByteArray &path, bool followLink) {
    if (!path.startsWith('/')) return false;
    struct stat st;
    const int rc = followLink ? ::stat(path.constData(), &st) : ::lstat(path.constData(), &st);
    return rc == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & 077) == 0;
}

} // namespace

TSingleInstanceVexaRM::TSingleInstanceVexaRM(QObject *parent) : QObject(parent) {}

QString TSingleInstanceVexaRM::RuntimeFolder() {
    // The session's per-user runtime folder (what QStandardPaths calls the
    // runtime location). Qt's own stand-in for a missing one lies in the
    // temporary folder, and so does not serve here.
    const QByteArray session = qgetenv("XDG_RUNTIME_DIR");
    if (IsPrivateFolder(session, true)) return QString::fromLocal8Bit(session);
    const QByteArray uid = QByteArray::number(static_cast<qulonglong>(::getuid()));
    // The same folder where the session made one but did not name it.
    const QByteArray made = "/run/user/" + uid;
    if (IsPrivateFolder(made, true)) return QString::fromLocal8Bit(made);
    // Without a session: a private folder at a fixed place, never one that
    // follows TMPDIR. A folder of that name that is not ours (or a link) is
    // not used.
    const QByteArray own = "/tmp/" + QByteArray(kMutexName) + "-" + uid;
    ::mkdir(own.constData(), 0700);
    if (IsPrivateFolder(own, false)) return QString::fromLocal8Bit(own);
    return QDir::homePath();
}

TSingleInstanceVexaRM::~TSingleInstanceVexaRM() {
    if (FServer) FServer->close();
    Release();
}

const std::vector<TSingleInstanceVexaRM::WindowEntry> &TSingleInstanceVexaRM::WindowTable() {
    static const std::vector<WindowEntry> table = BuildTable();
    return table;
}

QString TSingleInstanceVexaRM::ServerName(const QString &windowClass, const QString &title) {
    // The sockets live beside the lock; the hash keeps blanks and symbols
    // out of the name.
    QByteArray key = (windowClass + QLatin1Char('\n') + title).toUtf8();
    QByteArray hash = QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(16);
    return QDir(RuntimeFolder())
        .filePath(
            QStringLiteral("%1_%2").arg(QLatin1String(kMutexName), QString::fromLatin1(hash)));
}

QString TSingleInstanceVexaRM::LockFileName() {
    return QDir(RuntimeFolder()).filePath(QLatin1String(kMutexName) + QStringLiteral(".lock"));
}

bool TSingleInstanceVexaRM::Acquire() {
    if (FAcquired) return true;
    FLock = std::make_unique<QLockFile>(LockFileName());
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
