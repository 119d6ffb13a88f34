#include "CaptionLabelVexaRM.h"

namespace vexa {

TCaptionLabelVexaRM::TCaptionLabelVexaRM(const QString &text, QWidget *parent)
    : QLabel(text, parent) {}

void TCaptionLabelVexaRM::SetShown(bool shown) {
    setVisible(shown);
    if (shown) raise(); // above the trace display it covers
}

} // namespace vexa
