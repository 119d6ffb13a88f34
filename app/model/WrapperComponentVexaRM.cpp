#include "WrapperComponentVexaRM.h"

#include "VirtualScopeVexaRM.h"

namespace vexa {

TWrapperComponentVexaRM::~TWrapperComponentVexaRM() {
    Detach();
}

void TWrapperComponentVexaRM::SetVirtualScope(TVirtualScopeVexaRM *scope) {
    FVirtualScope = scope;
    if (scope) scope->RegisterListener(FControlGroup, this);
}

void TWrapperComponentVexaRM::ScopeNotification(int32_t kind, const int32_t &senderGroup) {
    (void)senderGroup;
    if (kind == kNotifyDetach) Detach();
}

void TWrapperComponentVexaRM::OnScopeNotification(int32_t kind, const int32_t &senderGroup) {
    ScopeNotification(kind, senderGroup);
}

void TWrapperComponentVexaRM::Detach() {
    if (FVirtualScope) FVirtualScope->UnregisterListener(this);
    FVirtualScope = nullptr;
}

} // namespace vexa
