#include "InformationPanelBVexaRM.h"

#include "ScopeConstsVexaRM.h"

namespace vexa {

TInformationPanelBVexaRM::TInformationPanelBVexaRM(QObject *parent)
    : TInformationPanelVexaRM(kChannelB, parent) {}

} // namespace vexa
