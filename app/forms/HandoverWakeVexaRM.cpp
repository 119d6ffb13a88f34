#include "HandoverWakeVexaRM.h"

#include "model/MainThreadHandoverVexaRM.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <thread>

namespace vexa {

// Read and written on the GUI thread only: the workers merely copy the
// shared pointer and post it.
struct THandoverWakeVexaRM::Target {
    TMainThreadHandoverVexaRM *Handover = nullptr;
    int Serviced = 0;
};

THandoverWakeVexaRM::THandoverWakeVexaRM(TMainThreadHandoverVexaRM &handover)
    : FHandover(handover), FTarget(std::make_shared<Target>()) {
    FTarget->Handover = &handover;
    handover.SetMainThread(std::this_thread::get_id());
    std::shared_ptr<Target> target = FTarget;
    handover.SetWakeHook([target] {
        QCoreApplication *app = QCoreApplication::instance();
        if (!app) return;
        QMetaObject::invokeMethod(
            app,
            [target] {
                if (!target->Handover) return;
                ++target->Serviced;
                target->Handover->ServicePending();
            },
            Qt::QueuedConnection);
    });
}

THandoverWakeVexaRM::~THandoverWakeVexaRM() {
    FHandover.SetWakeHook({});
    FTarget->Handover = nullptr;
}

int THandoverWakeVexaRM::Serviced() const {
    return FTarget->Serviced;
}

} // namespace vexa
