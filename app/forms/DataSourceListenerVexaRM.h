// The data source's place in the scope model's listener list: it takes
// part in the notifications only to detach on kind 3.
#pragma once

#include "ScopeListenerVexaRM.h"

#include <cstdint>

namespace vexa {

class TDataSourceModuleVexaRM;
class TVirtualScopeVexaRM;

class TDataSourceListenerVexaRM : public IScopeListenerVexaRM {
public:
    explicit TDataSourceListenerVexaRM(TDataSourceModuleVexaRM &source) : FSource(source) {}
    ~TDataSourceListenerVexaRM() override;
    TDataSourceListenerVexaRM(const TDataSourceListenerVexaRM &) = delete;
    TDataSourceListenerVexaRM &operator=(const TDataSourceListenerVexaRM &) = delete;

    TDataSourceModuleVexaRM &Source() const { return FSource; }
    TVirtualScopeVexaRM *VirtualScope() const { return FVirtualScope; }
    // Stores the model and, when not null, registers under the data
    // source's ControlGroup.
    void SetVirtualScope(TVirtualScopeVexaRM *scope);

    void OnScopeNotification(int32_t kind, const int32_t &senderGroup) override;

private:
    TDataSourceModuleVexaRM &FSource;
    TVirtualScopeVexaRM *FVirtualScope = nullptr;
};

} // namespace vexa
