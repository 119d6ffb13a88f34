#include "EventHooksVexaRM.h"

#include <QObject>

namespace vexa {

void TEventHooksVexaRM::Replace(int slot, std::vector<QMetaObject::Connection> connections) {
    Clear(slot);
    FHooks[slot] = std::move(connections);
}

void TEventHooksVexaRM::Clear(int slot) {
    auto it = FHooks.find(slot);
    if (it == FHooks.end()) return;
    for (const auto &c : it->second)
        QObject::disconnect(c);
    FHooks.erase(it);
}

void TEventHooksVexaRM::ClearAll() {
    for (auto &entry : FHooks)
        for (const auto &c : entry.second)
            QObject::disconnect(c);
    FHooks.clear();
}

int TEventHooksVexaRM::Count(int slot) const {
    auto it = FHooks.find(slot);
    if (it == FHooks.end()) return 0;
    int n = 0;
    for (const auto &c : it->second)
        if (c) ++n;
    return n;
}

} // namespace vexa
