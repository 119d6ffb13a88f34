#include "DataSourceListenerVexaRM.h"

#include "DataSourceModuleVexaRM.h"
#include "VirtualScopeVexaRM.h"

namespace vexa {

TDataSourceListenerVexaRM::~TDataSourceListenerVexaRM() {
    if (FVirtualScope) FVirtualScope->UnregisterListener(this);
}

void TDataSourceListenerVexaRM::SetVirtualScope(TVirtualScopeVexaRM *scope) {
    FVirtualScope = scope;
    if (scope) scope->RegisterListener(FSource.ControlGroup(), this);
}

void TDataSourceListenerVexaRM::OnScopeNotification(int32_t kind, const int32_t &) {
    if (kind != 3) return;
    if (FVirtualScope) FVirtualScope->UnregisterListener(this);
    FVirtualScope = nullptr;
}

} // namespace vexa
