#include "InformationPanelAVexaRM.h"

#include "ScopeConstsVexaRM.h"

namespace vexa {

TInformationPanelAVexaRM::TInformationPanelAVexaRM(QObject *parent)
    : TInformationPanelVexaRM(kChannelA, parent) {}

} // namespace vexa
