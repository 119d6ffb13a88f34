#include "VerticalShiftsVexaRM.h"

#include "model/VirtualScopeVexaRM.h"

#include "common/ScopeConstsVexaRM.h"

namespace vexa {

QString TVerticalShiftsVexaRM::PositionHint(const char *channel, int32_t verticalLevel) {
    return QStringLiteral("Position %1: %2")
        .arg(QLatin1String(channel))
        .arg(kPositionMax - int(verticalLevel));
}

TVerticalShiftsVexaRM::TVerticalShiftsVexaRM(QObject *parent) : QObject(parent) {}

TVerticalShiftsVexaRM::~TVerticalShiftsVexaRM() {
    FHooks.ClearAll();
}

void TVerticalShiftsVexaRM::HookButton(HookedWidget slot,
                                       QPointer<TChannelIndicationButtonVexa> &ref,
                                       TChannelIndicationButtonVexa *w) {
    ref = w;
    if (!w) {
        FHooks.Clear(slot);
        return;
    }
    FHooks.Replace(
        slot, {connect(w, &TChannelIndicationButtonVexa::Clicked, this, [this, w] { Click(w); }),
               connect(w, &TChannelIndicationButtonVexa::MousePressed, this,
                       [this, w](int, int y, Qt::MouseButtons) { Press(w, y); }),
               connect(w, &TChannelIndicationButtonVexa::MouseReleased, this,
                       [this, w](int, int, Qt::MouseButtons) { Release(w); })});
}

void TVerticalShiftsVexaRM::HookSlide(HookedWidget slot, QPointer<TVerticalSlideVexa> &ref,
                                      TVerticalSlideVexa *w) {
    ref = w;
    if (!w) {
        FHooks.Clear(slot);
        return;
    }
    FHooks.Replace(
        slot, {connect(w, &TVerticalSlideVexa::Clicked, this, [this, w] { Click(w); }),
               connect(w, &TVerticalSlideVexa::MousePressed, this,
                       [this, w](int, int y, Qt::MouseButtons) { Press(w, y); }),
               connect(w, &TVerticalSlideVexa::MouseReleased, this,
                       [this, w](int, int, Qt::MouseButtons) { Release(w); }),
               connect(w, &TVerticalSlideVexa::MouseMoved, this,
                       [this, w](int, int y, Qt::MouseButtons) { Move(w, y); }),
               connect(w, &TVerticalSlideVexa::KeyPressed, this,
                       [this, w](int key, bool) { KeyPress(w, key); }),
               connect(w, &TVerticalSlideVexa::KeyReleased, this, [this, w](int) { Release(w); })});
}

void TVerticalShiftsVexaRM::SetSlideUpButtonA(TChannelIndicationButtonVexa *w) {
    HookButton(kUpA, FSlideUpButtonA, w);
}
void TVerticalShiftsVexaRM::SetSlideUpButtonB(TChannelIndicationButtonVexa *w) {
    HookButton(kUpB, FSlideUpButtonB, w);
}
void TVerticalShiftsVexaRM::SetSlideDownButtonA(TChannelIndicationButtonVexa *w) {
    HookButton(kDownA, FSlideDownButtonA, w);
}
void TVerticalShiftsVexaRM::SetSlideDownButtonB(TChannelIndicationButtonVexa *w) {
    HookButton(kDownB, FSlideDownButtonB, w);
}
void TVerticalShiftsVexaRM::SetVerticalSlideA(TVerticalSlideVexa *w) {
    HookSlide(kSlideA, FVerticalSlideA, w);
}
void TVerticalShiftsVexaRM::SetVerticalSlideB(TVerticalSlideVexa *w) {
    HookSlide(kSlideB, FVerticalSlideB, w);
}

void TVerticalShiftsVexaRM::SetTimer(QTimer *timer) {
    FTimer = timer;
    if (!timer) {
        FHooks.Clear(kTimerHook);
        return;
    }
    timer->stop();
    timer->setSingleShot(false);
    timer->setInterval(kRepeatIntervalMs);
    FHooks.Replace(kTimerHook, {connect(timer, &QTimer::timeout, this, [this] { Tick(); })});
}

void TVerticalShiftsVexaRM::NotifyChanged() {
    if (auto *scope = VirtualScope()) scope->Notify(kNotifySettingsChanged, ControlGroup());
}

// Moves the level of one channel by a signed step. The model ignores levels
// outside 1..4095, so a step past either end leaves the level where it is.
void TVerticalShiftsVexaRM::StepLevel(int32_t channel, int step) {
    auto *scope = VirtualScope();
    if (!scope) return;
    if (channel == kChannelA)
        scope->SetVerticalLevelChannelA(int32_t(scope->VerticalLevelChannelA()) + step);
    else if (channel == kChannelB)
        scope->SetVerticalLevelChannelB(int32_t(scope->VerticalLevelChannelB()) + step);
}

void TVerticalShiftsVexaRM::Click(QObject *sender) {
    if (!VirtualScope()) return;
    if (sender == FSlideUpButtonA)
        StepLevel(kChannelA, -1);
    else if (sender == FSlideUpButtonB)
        StepLevel(kChannelB, -1);
    else if (sender == FSlideDownButtonA)
        StepLevel(kChannelA, +1);
    else if (sender == FSlideDownButtonB)
        StepLevel(kChannelB, +1);
    NotifyChanged();
}

void TVerticalShiftsVexaRM::Press(QObject *sender, int y) {
    auto *scope = VirtualScope();
    if (!scope) return;
    scope->SetSettingsToFile(false);
    if (sender == FVerticalSlideA || sender == FVerticalSlideB) {
        const bool isA = sender == FVerticalSlideA;
        const int32_t channel = isA ? kChannelA : kChannelB;
        const int p = isA ? scope->ScaledLevelChannelA() : scope->ScaledLevelChannelB();
        const bool grab = (p - 10 < y) && (y < p + 10);
        (isA ? FGrabA : FGrabB) = grab;
        if (grab) {
            NotifyChanged();
            return;
        }
        // Exactly 10 pixels from the knob neither grabs nor steps; the
        // repeat then runs with the step left from the previous press.
        if (y > p + 10) {
            StepLevel(channel, +5);
            FRepeatStep = +5;
        } else if (y < p - 10) {
            StepLevel(channel, -5);
            FRepeatStep = -5;
        }
        FRepeatChannel = channel;
    } else if (sender == FSlideUpButtonA) {
        FRepeatChannel = kChannelA;
        FRepeatStep = -1;
    } else if (sender == FSlideUpButtonB) {
        FRepeatChannel = kChannelB;
        FRepeatStep = -1;
    } else if (sender == FSlideDownButtonA) {
        FRepeatChannel = kChannelA;
        FRepeatStep = +1;
    } else if (sender == FSlideDownButtonB) {
        FRepeatChannel = kChannelB;
        FRepeatStep = +1;
    } else {
        NotifyChanged();
        return;
    }
    if (FTimer) FTimer->start();
    NotifyChanged();
}

void TVerticalShiftsVexaRM::Tick() {
    if (!VirtualScope()) return;
    StepLevel(FRepeatChannel, FRepeatStep);
    NotifyChanged();
}

void TVerticalShiftsVexaRM::Release(QObject *sender) {
    FGrabA = false;
    FGrabB = false;
    const bool bound = sender == FSlideUpButtonA || sender == FSlideUpButtonB ||
                       sender == FSlideDownButtonA || sender == FSlideDownButtonB ||
                       sender == FVerticalSlideA || sender == FVerticalSlideB;
    if (bound) {
        if (auto *scope = VirtualScope()) {
            scope->SetSettingsToFile(true);
            NotifyChanged();
        }
    }
    if (FTimer) FTimer->stop();
}

void TVerticalShiftsVexaRM::KeyPress(QObject *sender, int key) {
    auto *scope = VirtualScope();
    if (!scope || (sender != FVerticalSlideA && sender != FVerticalSlideB)) return;
    int step = 0;
    switch (key) {
    case Qt::Key_Up:
        step = -1;
        break;
    case Qt::Key_Down:
        step = +1;
        break;
    case Qt::Key_PageUp:
        step = -5;
        break;
    case Qt::Key_PageDown:
        step = +5;
        break;
    default:
        return;
    }
    // While the key is held the position changes are not logged one by
    // one; the release logs where it ended.
    scope->SetSettingsToFile(false);
    StepLevel(sender == FVerticalSlideA ? kChannelA : kChannelB, step);
    NotifyChanged();
}

void TVerticalShiftsVexaRM::Move(QObject *sender, int y) {
    auto *scope = VirtualScope();
    if (!scope) return;
    if (sender == FVerticalSlideA && FGrabA) {
        scope->SetScaledLevelChannelA(y);
        FVerticalSlideA->SetBarPosition(scope->ScaledLevelChannelA());
        NotifyChanged();
    } else if (sender == FVerticalSlideB && FGrabB) {
        scope->SetScaledLevelChannelB(y);
        FVerticalSlideB->SetBarPosition(scope->ScaledLevelChannelB());
        NotifyChanged();
    }
}

void TVerticalShiftsVexaRM::ScopeNotification(int32_t kind, const int32_t &senderGroup) {
    TWrapperComponentVexaRM::ScopeNotification(kind, senderGroup);
    switch (kind) {
    case kNotifyInitialized:
    case kNotifySettingsChanged:
    case kNotifyLevelsSetBack:
    case kNotifyResized:
    case kNotifyPreInitialize:
        UpdateControls();
        break;
    default:
        break;
    }
}

void TVerticalShiftsVexaRM::UpdateControls() {
    auto *scope = VirtualScope();
    if (!scope) return;
    if (FVerticalSlideA) scope->SetMaxChannelA(FVerticalSlideA->BarHeight());
    if (FVerticalSlideB) scope->SetMaxChannelB(FVerticalSlideB->BarHeight());
    if (FVerticalSlideA) {
        FVerticalSlideA->SetBarColor(scope->ColorChannelA());
        FVerticalSlideA->SetBarPosition(scope->ScaledLevelChannelA());
        FVerticalSlideA->setToolTip(PositionHint("A", scope->VerticalLevelChannelA()));
    }
    if (FVerticalSlideB) {
        FVerticalSlideB->SetBarColor(scope->ColorChannelB());
        FVerticalSlideB->SetBarPosition(scope->ScaledLevelChannelB());
        FVerticalSlideB->setToolTip(PositionHint("B", scope->VerticalLevelChannelB()));
    }
    if (FSlideUpButtonA) FSlideUpButtonA->SetChannelColor(scope->ColorChannelA());
    if (FSlideDownButtonA) FSlideDownButtonA->SetChannelColor(scope->ColorChannelA());
    if (FSlideUpButtonB) FSlideUpButtonB->SetChannelColor(scope->ColorChannelB());
    if (FSlideDownButtonB) FSlideDownButtonB->SetChannelColor(scope->ColorChannelB());
}

void TVerticalShiftsVexaRM::ApplyToolTips() {
    if (FSlideUpButtonA) FSlideUpButtonA->setToolTip(QStringLiteral("Shift up trace A"));
    if (FSlideUpButtonB) FSlideUpButtonB->setToolTip(QStringLiteral("Shift up trace B"));
    if (FSlideDownButtonA) FSlideDownButtonA->setToolTip(QStringLiteral("Shift down trace A"));
    if (FSlideDownButtonB) FSlideDownButtonB->setToolTip(QStringLiteral("Shift down trace B"));
}

} // namespace vexa
