// The event connections a binder holds on the widgets bound to it, kept per
// reference so that binding another widget unhooks the previous one.
#pragma once

#include <QMetaObject>

#include <map>
#include <vector>

namespace vexa {

class TEventHooksVexaRM {
public:
    TEventHooksVexaRM() = default;
    TEventHooksVexaRM(const TEventHooksVexaRM &) = delete;
    TEventHooksVexaRM &operator=(const TEventHooksVexaRM &) = delete;
    ~TEventHooksVexaRM() { ClearAll(); }

    // Disconnects what the reference `slot` held and keeps `connections`.
    void Replace(int slot, std::vector<QMetaObject::Connection> connections);
    // Disconnects what the reference `slot` held.
    void Clear(int slot);
    void ClearAll();
    // How many live connections the reference `slot` holds.
    int Count(int slot) const;

private:
    std::map<int, std::vector<QMetaObject::Connection>> FHooks;
};

} // namespace vexa
