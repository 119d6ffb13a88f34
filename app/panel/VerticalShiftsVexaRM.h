// Binds the vertical-position controls of both channels (arrow buttons,
// slides, repeat timer) to the scope model.
#pragma once

#include "ChannelIndicationButtonVexa.h"
#include "EventHooksVexaRM.h"
#include "VerticalSlideVexa.h"
#include "model/WrapperComponentVexaRM.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <cstdint>

namespace vexa {

class TVerticalShiftsVexaRM : public QObject, public TWrapperComponentVexaRM {
    Q_OBJECT
public:
    // Interval of the repeat timer: a held control repeats once a second.
    static constexpr int kRepeatIntervalMs = 1000;

    // A slide's tool tip: its channel and its position counted from the
    // bottom, 4095 - VerticalLevel ("Position A: 2662").
    static QString PositionHint(const char *channel, int32_t verticalLevel);

    explicit TVerticalShiftsVexaRM(QObject *parent = nullptr);
    ~TVerticalShiftsVexaRM() override;

    TChannelIndicationButtonVexa *SlideUpButtonA() const { return FSlideUpButtonA; }
    void SetSlideUpButtonA(TChannelIndicationButtonVexa *w);
    TChannelIndicationButtonVexa *SlideUpButtonB() const { return FSlideUpButtonB; }
    void SetSlideUpButtonB(TChannelIndicationButtonVexa *w);
    TChannelIndicationButtonVexa *SlideDownButtonA() const { return FSlideDownButtonA; }
    void SetSlideDownButtonA(TChannelIndicationButtonVexa *w);
    TChannelIndicationButtonVexa *SlideDownButtonB() const { return FSlideDownButtonB; }
    void SetSlideDownButtonB(TChannelIndicationButtonVexa *w);
    TVerticalSlideVexa *VerticalSlideA() const { return FVerticalSlideA; }
    void SetVerticalSlideA(TVerticalSlideVexa *w);
    TVerticalSlideVexa *VerticalSlideB() const { return FVerticalSlideB; }
    void SetVerticalSlideB(TVerticalSlideVexa *w);
    // The repeat timer; binding it stops it and gives it its interval.
    QTimer *Timer() const { return FTimer; }
    void SetTimer(QTimer *timer);

    // Transient state from a press to its release.
    bool GrabA() const { return FGrabA; }
    bool GrabB() const { return FGrabB; }
    int32_t RepeatChannel() const { return FRepeatChannel; }
    int32_t RepeatStep() const { return FRepeatStep; }

    void ScopeNotification(int32_t kind, const int32_t &senderGroup) override;
    void UpdateControls() override;
    // Gives the bound arrow buttons their tool tips.
    void ApplyToolTips();

private:
    enum HookedWidget { kUpA, kUpB, kDownA, kDownB, kSlideA, kSlideB, kTimerHook };

    void HookButton(HookedWidget slot, QPointer<TChannelIndicationButtonVexa> &ref,
                    TChannelIndicationButtonVexa *w);
    void HookSlide(HookedWidget slot, QPointer<TVerticalSlideVexa> &ref, TVerticalSlideVexa *w);

    void Click(QObject *sender);
    void Press(QObject *sender, int y);
    void Release(QObject *sender);
    void Move(QObject *sender, int y);
    void Tick();
    // The arrow and page keys on a slide: a held position control, like
    // the arrow buttons (1 step) and a click beside the knob (5 steps).
    void KeyPress(QObject *sender, int key);
    void StepLevel(int32_t channel, int step);
    void NotifyChanged();

    QPointer<TChannelIndicationButtonVexa> FSlideUpButtonA, FSlideUpButtonB;
    QPointer<TChannelIndicationButtonVexa> FSlideDownButtonA, FSlideDownButtonB;
    QPointer<TVerticalSlideVexa> FVerticalSlideA, FVerticalSlideB;
    QPointer<QTimer> FTimer;
    TEventHooksVexaRM FHooks;

    bool FGrabA = false;
    bool FGrabB = false;
    int32_t FRepeatChannel = 0;
    int32_t FRepeatStep = 0;
};

} // namespace vexa
