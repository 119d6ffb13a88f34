// SIGTERM, SIGINT and SIGHUP (logout, shutdown, a closed terminal) handed to
// the main thread's event loop, so that the program can end as File -> Exit
// does instead of being killed where it stands.
#pragma once

#include <QObject>

#include <csignal>

class QSocketNotifier;

namespace vexa {

// The signal handler does nothing but write the signal's number into one end
// of a socket pair (write is async-signal-safe); a notifier on the other end
// emits ExitRequested in the thread that created the object. One instance at
// a time; destroying it restores the handlers that were there before.
class TExitSignalsVexaRM : public QObject {
    Q_OBJECT
public:
    // The signals handed over.
    static constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

    explicit TExitSignalsVexaRM(QObject *parent = nullptr);
    ~TExitSignalsVexaRM() override;
    TExitSignalsVexaRM(const TExitSignalsVexaRM &) = delete;
    TExitSignalsVexaRM &operator=(const TExitSignalsVexaRM &) = delete;

    // False when the socket pair or a handler could not be set up (the
    // signals then keep their previous effect).
    bool Installed() const { return FInstalled; }
    // True once one of the signals arrived; Signal() is the first of them.
    bool Requested() const { return FSignal != 0; }
    int Signal() const { return FSignal; }

signals:
    // Emitted once, for the first signal; later ones only show that the
    // exit is already under way.
    void ExitRequested(int signal);

private:
    void OnReadable();

    int FReadFd = -1;
    int FWriteFd = -1;
    QSocketNotifier *FNotifier = nullptr;
    struct sigaction FPrevious[sizeof(kSignals) / sizeof(kSignals[0])] = {};
    bool FInstalled = false;
    int FSignal = 0;
};

} // namespace vexa
