#include "InformationPanelAVexaRM.h"

#include "common/ScopeConstsVexaRM.h"

namespace vexa {

TInformationPanelAVexaRM::TInformationPanelAVexaRM(QObject *parent)
    : TInformationPanelVexaRM(kChannelA, parent) {}

} // namespace vexa
