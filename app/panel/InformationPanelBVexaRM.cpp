#include "InformationPanelBVexaRM.h"

#include "common/ScopeConstsVexaRM.h"

namespace vexa {

TInformationPanelBVexaRM::TInformationPanelBVexaRM(QObject *parent)
    : TInformationPanelVexaRM(kChannelB, parent) {}

} // namespace vexa
