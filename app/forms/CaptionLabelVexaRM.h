// The "Display off" caption that the data flow shows and hides.
#pragma once

#include "flow/FlowInterfacesVexaRM.h"

#include <QLabel>

namespace vexa {

class TCaptionLabelVexaRM : public QLabel, public IShowableVexaRM {
    Q_OBJECT
public:
    explicit TCaptionLabelVexaRM(const QString &text, QWidget *parent = nullptr);
    void SetShown(bool shown) override;
    bool Shown() const { return !isHidden(); }
};

} // namespace vexa
