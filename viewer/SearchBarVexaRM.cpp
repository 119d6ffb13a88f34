#include "SearchBarVexaRM.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

namespace vexa::view {

namespace {
struct TChoice {
    const char *Text;
    TSearchQuery Query;
};
const TChoice kChoices[] = {
    {"A rises through", {TSearchQuery::Crossing, 0, 0, true}},
    {"A falls through", {TSearchQuery::Crossing, 0, 0, false}},
    {"B rises through", {TSearchQuery::Crossing, 1, 0, true}},
    {"B falls through", {TSearchQuery::Crossing, 1, 0, false}},
    {"Device marker", {TSearchQuery::DeviceMarker, 0, 0, true}},
    {"ARM marker", {TSearchQuery::ArmMarker, 0, 0, true}},
    {"Lost samples", {TSearchQuery::Gap, 0, 0, true}},
};
} // namespace

TSearchBarVexaRM::TSearchBarVexaRM(QWidget *parent) : QWidget(parent) {
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    auto *label = new QLabel(tr("Fin&d:"), this);
    FWhat = new QComboBox(this);
    for (const TChoice &c : kChoices)
        FWhat->addItem(tr(c.Text));
    label->setBuddy(FWhat);
    FLevel = new QDoubleSpinBox(this);
    FLevel->setRange(-1e6, 1e6);
    FLevel->setDecimals(4);
    FLevel->setSingleStep(0.1);
    FLevel->setToolTip(tr("The level a channel crosses"));
    FLevel->setAccelerated(true);
    SetVolts(true);
    auto *previous = new QToolButton(this);
    previous->setArrowType(Qt::LeftArrow);
    previous->setToolTip(tr("Previous (Shift+F3)"));
    auto *next = new QToolButton(this);
    next->setArrowType(Qt::RightArrow);
    next->setToolTip(tr("Next (F3)"));
    row->addWidget(label);
    row->addWidget(FWhat);
    row->addWidget(FLevel);
    row->addWidget(previous);
    row->addWidget(next);
    connect(previous, &QToolButton::clicked, this, [this] { emit Search(false); });
    connect(next, &QToolButton::clicked, this, [this] { emit Search(true); });
    connect(FWhat, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int i) {
        FLevel->setEnabled(kChoices[i].Query.What == TSearchQuery::Crossing);
    });
}

void TSearchBarVexaRM::SetVolts(bool volts) {
    FLevel->setSuffix(volts ? QStringLiteral(" V") : QStringLiteral(" code"));
}

TSearchQuery TSearchBarVexaRM::Query() const {
    TSearchQuery q = kChoices[FWhat->currentIndex()].Query;
    q.Level = FLevel->value();
    return q;
}

} // namespace vexa::view
