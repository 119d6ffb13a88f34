// The listener side of the scope model's notifications.
#pragma once

#include <cstdint>

namespace vexa {

// Every component that follows the scope model implements this and is
// registered with TVirtualScopeVexaRM::RegisterListener(group, this). The
// listener object identifies its entry (UnregisterListener(this) removes
// the first matching entry). The sender group is passed by reference to a
// value that lives for the duration of the pass; handlers only read it.
class IScopeListenerVexaRM {
public:
    virtual ~IScopeListenerVexaRM() = default;
    virtual void OnScopeNotification(int32_t kind, const int32_t &senderGroup) = 0;
};

} // namespace vexa
