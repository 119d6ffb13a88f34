// Binds start and stop of a measurement, the record modes and the length.
#pragma once

#include "EventHooksVexaRM.h"
#include "LongerTimeEditVexaRM.h"
#include "OnOffButtonVexa.h"
#include "model/WrapperComponentVexaRM.h"

#include <QObject>
#include <QPointer>

namespace vexa {

class TMeasurementRecordControlsVexaRM : public QObject, public TWrapperComponentVexaRM {
    Q_OBJECT
public:
    explicit TMeasurementRecordControlsVexaRM(QObject *parent = nullptr);
    ~TMeasurementRecordControlsVexaRM() override;

    TOnOffButtonVexa *MeasurementStart() const { return FMeasurementStart; }
    void SetMeasurementStart(TOnOffButtonVexa *w) { Hook(kStart, FMeasurementStart, w); }
    TOnOffButtonVexa *MeasurementStop() const { return FMeasurementStop; }
    void SetMeasurementStop(TOnOffButtonVexa *w) { Hook(kStop, FMeasurementStop, w); }
    TOnOffButtonVexa *RecordTriggered() const { return FRecordTriggered; }
    void SetRecordTriggered(TOnOffButtonVexa *w) { Hook(kTriggered, FRecordTriggered, w); }
    TOnOffButtonVexa *RecordFree() const { return FRecordFree; }
    void SetRecordFree(TOnOffButtonVexa *w) { Hook(kFree, FRecordFree, w); }
    TOnOffButtonVexa *RecordDefined() const { return FRecordDefined; }
    void SetRecordDefined(TOnOffButtonVexa *w) { Hook(kDefined, FRecordDefined, w); }
    TOnOffButtonVexa *RecordContinuos() const { return FRecordContinuos; }
    void SetRecordContinuos(TOnOffButtonVexa *w) { Hook(kContinuos, FRecordContinuos, w); }
    TLongerTimeEditVexaRM *RecordTimeLength() const { return FRecordTimeLength; }
    void SetRecordTimeLength(TLongerTimeEditVexaRM *w);

    void ScopeNotification(int32_t kind, const int32_t &senderGroup) override;
    void UpdateControls() override;
    void ApplyToolTips();

private:
    enum HookedWidget { kStart, kStop, kTriggered, kFree, kDefined, kContinuos, kLength };
    void Hook(HookedWidget slot, QPointer<TOnOffButtonVexa> &ref, TOnOffButtonVexa *w);
    void Click(QObject *sender);
    void KeyUp(int key);

    QPointer<TOnOffButtonVexa> FMeasurementStart, FMeasurementStop;
    QPointer<TOnOffButtonVexa> FRecordTriggered, FRecordFree;
    QPointer<TOnOffButtonVexa> FRecordDefined, FRecordContinuos;
    QPointer<TLongerTimeEditVexaRM> FRecordTimeLength;
    TEventHooksVexaRM FHooks;
};

} // namespace vexa
