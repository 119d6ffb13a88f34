// The frame clock of the user-interface thread: worker threads that changed
// something on the screen (the trace displays, the worker-fed readouts) ask
// for a frame, and the clock serves every client that asked at its next
// tick, once. While requests keep coming the clock ticks at a steady frame
// rate and the workers never wake the user-interface thread themselves; a
// tick that finds nothing to do stops it, and the next request after that
// starts it again with one queued call.
#pragma once

#include <QObject>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <vector>

namespace vexa {

class TFrameClockVexa;

// Something that draws on the clock's ticks. Register and unregister on the
// clock's thread; Request may come from any thread.
class TFrameClientVexa {
public:
    virtual ~TFrameClientVexa() = default;

protected:
    // Called on the clock's thread at the tick after a request.
    virtual void ServeFrame() = 0;
    // Clock's thread, before the client registers: serve it at most every
    // ticks-th tick (a readout needs fewer frames than a moving trace).
    void SetFrameStride(int ticks) { FFrameStride = ticks < 1 ? 1 : ticks; }

private:
    friend class TFrameClockVexa;
    std::atomic<bool> FFrameWanted{false};
    int FFrameStride = 1;
    int64_t FLastServedTick = -1000000; // clock's thread
};

class TFrameClockVexa : public QObject {
    Q_OBJECT
public:
    // 30 frames per second: smooth to the eye, and together with the
    // processing thread's batch time a sample reaches its pixel within
    // 50 ms.
    static constexpr int kFrameIntervalMs = 33;

    // The program's clock, created on first use (call it first on the
    // user-interface thread, e.g. from a widget's constructor).
    static TFrameClockVexa &Instance();

    // manual: the clock never starts a timer; whoever owns it calls Tick
    // (tests drive frames themselves).
    explicit TFrameClockVexa(bool manual = false, QObject *parent = nullptr);
    ~TFrameClockVexa() override;

    void Register(TFrameClientVexa *client);
    void Unregister(TFrameClientVexa *client);

    // Any thread: client wants a frame at the next tick.
    void Request(TFrameClientVexa *client);

    // Clock's thread: serves every client that asked since the last tick;
    // false when none had asked (the clock then stops).
    bool Tick();

    // Ticks served so far (with at least one client served).
    int Frames() const { return FFrames; }
    // Ticks so far.
    int64_t Ticks() const { return FTicks; }
    bool Running() const { return FRunning.load(); }

private:
    void Start();

    const bool FManual;
    QTimer FTimer;
    // Clients, touched on the clock's thread only.
    std::vector<TFrameClientVexa *> FClients;
    // True from a request that found the clock stopped until a tick finds
    // nothing to do: requests in between need no call to this thread.
    std::atomic<bool> FRunning{false};
    int FFrames = 0;
    int64_t FTicks = 0;
};

} // namespace vexa
