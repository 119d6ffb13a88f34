// The base of every control binder: follows one scope model as a listener
// and refreshes its widgets on notifications.
#pragma once

#include "ScopeListenerVexaRM.h"

#include <cstdint>

namespace vexa {

class TVirtualScopeVexaRM;

class TWrapperComponentVexaRM : public IScopeListenerVexaRM {
public:
    TWrapperComponentVexaRM() = default;
    // Unregisters from the model it still has.
    ~TWrapperComponentVexaRM() override;
    TWrapperComponentVexaRM(const TWrapperComponentVexaRM &) = delete;
    TWrapperComponentVexaRM &operator=(const TWrapperComponentVexaRM &) = delete;

    TVirtualScopeVexaRM *VirtualScope() const { return FVirtualScope; }
    // Stores the model and, when it is not null, registers with the current
    // ControlGroup. Does not unregister from a previous model; setting it
    // twice registers twice.
    void SetVirtualScope(TVirtualScopeVexaRM *scope);
    int32_t ControlGroup() const { return FControlGroup; }
    void SetControlGroup(int32_t group) { FControlGroup = group; }

    // The listener handler: kind 3 detaches; other kinds do nothing here.
    // Binders replace it, call this first and then UpdateControls for the
    // kinds they react to.
    virtual void ScopeNotification(int32_t kind, const int32_t &senderGroup);
    // Re-reads the model and brings every widget of the binder up to date.
    virtual void UpdateControls() = 0;

    void OnScopeNotification(int32_t kind, const int32_t &senderGroup) final;

protected:
    // Unregisters when a model is set, then forgets the model.
    void Detach();

private:
    TVirtualScopeVexaRM *FVirtualScope = nullptr;
    int32_t FControlGroup = 0;
};

} // namespace vexa
