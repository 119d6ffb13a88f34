#include "FrameClockVexa.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>

#include <algorithm>
#include <mutex>

namespace vexa {

TFrameClockVexa &TFrameClockVexa::Instance() {
    // Owned by the application object, so that it goes with it.
    static std::mutex lock;
    static QPointer<TFrameClockVexa> clock;
    std::lock_guard<std::mutex> hold(lock);
    if (!clock) clock = new TFrameClockVexa(false, QCoreApplication::instance());
    return *clock;
}

TFrameClockVexa::TFrameClockVexa(bool manual, QObject *parent) : QObject(parent), FManual(manual) {
    FTimer.setInterval(kFrameIntervalMs);
    connect(&FTimer, &QTimer::timeout, this, [this] { Tick(); });
}

TFrameClockVexa::~TFrameClockVexa() = default;

void TFrameClockVexa::Register(TFrameClientVexa *client) {
    if (std::find(FClients.begin(), FClients.end(), client) == FClients.end())
        FClients.push_back(client);
}

void TFrameClockVexa::Unregister(TFrameClientVexa *client) {
    FClients.erase(std::remove(FClients.begin(), FClients.end(), client), FClients.end());
}

void TFrameClockVexa::Request(TFrameClientVexa *client) {
    client->FFrameWanted.store(true);
    if (FRunning.exchange(true)) return;
    if (FManual) return;
    QMetaObject::invokeMethod(
        this, [this] { Start(); }, Qt::QueuedConnection);
}

void TFrameClockVexa::Start() {
    if (!FTimer.isActive()) FTimer.start();
}

bool TFrameClockVexa::Tick() {
    ++FTicks;
    bool served = false;
    bool waiting = false; // a client asked but its stride has not passed
    // A client may unregister another one while it is served (a widget
    // closing a window): iterate over a copy and check membership.
    const std::vector<TFrameClientVexa *> clients = FClients;
    for (TFrameClientVexa *client : clients) {
        if (std::find(FClients.begin(), FClients.end(), client) == FClients.end()) continue;
        if (!client->FFrameWanted.load()) continue;
        if (FTicks - client->FLastServedTick < client->FFrameStride) {
            waiting = true;
            continue;
        }
        client->FFrameWanted.store(false);
        client->FLastServedTick = FTicks;
        served = true;
        client->ServeFrame();
    }
    if (served) ++FFrames;
    if (served || waiting) return served;
    // Nothing to do: stop. A request that came just before the flag was
    // cleared saw it set and queued nothing, so look once more.
    FRunning.store(false);
    bool pending = false;
    for (TFrameClientVexa *client : FClients)
        pending = pending || client->FFrameWanted.load();
    if (pending && !FRunning.exchange(true)) return false; // keep ticking
    FTimer.stop();
    return false;
}

} // namespace vexa
