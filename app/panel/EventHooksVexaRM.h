// The event connections a binder holds on the widgets bound to it, kept per
// reference so that binding another widget unhooks the previous one.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>

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

    // Binds the widget w to the reference `ref` kept under `slot`: a click of
    // it calls onClick(w) in the binder's thread; a null w unhooks the slot.
    template <class TWidget, class FOnClick>
    void BindClicked(int slot, QPointer<TWidget> &ref, TWidget *w, QObject *binder,
                     FOnClick onClick) {
        ref = w;
        if (!w) {
            Clear(slot);
            return;
        }
        Replace(slot,
                {QObject::connect(w, &TWidget::Clicked, binder, [onClick, w] { onClick(w); })});
    }

private:
    std::map<int, std::vector<QMetaObject::Connection>> FHooks;
};

} // namespace vexa
