// One running copy per user: the "Korvel_Vexa_SW" ownership lock and the
// activation of a running instance through local sockets, both in the
// user's runtime folder, so that every copy of one user meets them whatever
// its environment's temporary folder.
#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <utility>
#include <vector>

class QLocalServer;
class QLockFile;

namespace vexa {

class TSingleInstanceVexaRM : public QObject {
    Q_OBJECT
public:
    // One row of the window table: window class and title.
    using WindowEntry = std::pair<QString, QString>;

    explicit TSingleInstanceVexaRM(QObject *parent = nullptr);
    ~TSingleInstanceVexaRM() override;

    // The 42 (class, title) pairs of this program and its sibling
    // applications for the same device, searched in this order.
    static const std::vector<WindowEntry> &WindowTable();
    // The user's runtime folder: XDG_RUNTIME_DIR when it is a private folder
    // of this user, else /run/user/<uid> when that is one, else a private
    // folder /tmp/Korvel_Vexa_SW-<uid> (made when missing), else the home
    // folder. Never derived from TMPDIR.
    static QString RuntimeFolder();
    // The ownership lock file in RuntimeFolder.
    static QString LockFileName();
    // The local socket (a full path in RuntimeFolder) under which a window
    // with this class and title answers.
    static QString ServerName(const QString &windowClass, const QString &title);

    // Takes the ownership lock; false when another process holds it.
    bool Acquire();
    bool Acquired() const { return FAcquired; }
    // Releases the ownership lock (the program's end).
    void Release();

    // Looks for a running window of the table, in table order. When one
    // answers, sends it "activate" and returns true.
    static bool ActivateRunning(int timeoutMs = 1000);

    // Makes this process answer under the name of (class, title); the
    // previous name is given up. Returns false when listening failed.
    bool Listen(const QString &windowClass, const QString &title);
    QString ListeningName() const { return FListeningName; }

signals:
    // Another start asked this instance to come to the front.
    void ActivateRequested();

private:
    void OnNewConnection();

    std::unique_ptr<QLockFile> FLock;
    bool FAcquired = false;
    QLocalServer *FServer = nullptr;
    QString FListeningName;
};

} // namespace vexa
