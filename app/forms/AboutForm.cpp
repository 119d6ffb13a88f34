#include "AboutForm.h"

#include "JpegPictureVexaRM.h"

#include <QDesktopServices>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QUrl>

namespace vexa {

namespace {

QLabel *MakeLabel(QWidget *parent, int x, int y, const QString &text, bool bold, QColor colour) {
    auto *l = new QLabel(text, parent);
    l->setAttribute(Qt::WA_TranslucentBackground);
    QFont f = l->font();
    f.setBold(bold);
    l->setFont(f);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, colour);
    l->setPalette(p);
    l->move(x, y);
    l->adjustSize();
    return l;
}

void MakeLink(QLabel *l, const QString &url) {
    QFont f = l->font();
    f.setUnderline(true);
    l->setFont(f);
    l->setCursor(Qt::PointingHandCursor);
    l->setTextFormat(Qt::RichText);
    l->setText(QStringLiteral("<a href=\"%1\" style=\"color:#000080\">%2</a>")
                   .arg(url.toHtmlEscaped(), l->text().toHtmlEscaped()));
    // From the keyboard the Help menu opens both addresses.
    l->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    // A shell that cannot open the link is not reported.
    QObject::connect(l, &QLabel::linkActivated, l,
                     [](const QString &link) { QDesktopServices::openUrl(QUrl(link)); });
    l->adjustSize();
}

} // namespace

QString TAboutForm::CompanySiteAddress() {
    return QStringLiteral("https://www.korvel.example/");
}

QString TAboutForm::CompanyMailAddress() {
    return QStringLiteral("support@korvel.example");
}

TAboutForm::TAboutForm(QWidget *parent) : QDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(392, 247);

    FBackroundImage = new QLabel(this);
    FBackroundImage->setGeometry(0, 0, 392, 249);
    QImage picture = TJpegPictureVexaRM::Load(TJpegPictureVexaRM::DefaultFileName());
    if (!picture.isNull()) FBackroundImage->setPixmap(QPixmap::fromImage(picture));

    const QColor black(0, 0, 0), navy(0, 0, 128);
    FFind = MakeLabel(this, 9, 114, QStringLiteral("Find us at:"), true, black);
    FContact = MakeLabel(this, 10, 152, QStringLiteral("Contact us at:"), true, black);
    FCompanySite = MakeLabel(this, 9, 131, QStringLiteral("www.korvel.example"), false, navy);
    MakeLink(FCompanySite, CompanySiteAddress());
    FCompanyMail = MakeLabel(this, 10, 170, CompanyMailAddress(), false, navy);
    MakeLink(FCompanyMail, QStringLiteral("mailto:") + CompanyMailAddress());
    FSoftwareVersionLabel =
        MakeLabel(this, 255, 68, QStringLiteral("Software version:"), true, black);
    FUSBDriverVersionLabel =
        MakeLabel(this, 255, 100, QStringLiteral("USB driver version:"), true, black);
    FDeviceSNCaptionLabel = MakeLabel(this, 255, 132, QStringLiteral("Device SN:"), true, black);
    FDeviceObtainedVersionLabel =
        MakeLabel(this, 276, 84, QStringLiteral("0000000000"), false, navy);
    FUSBObtainedVersionLabel = MakeLabel(this, 276, 116, QStringLiteral("0000000000"), false, navy);
    FDeviceSerialNumberLabel = MakeLabel(this, 276, 148, QStringLiteral("0000000000"), false, navy);

    FDialogOK = new QPushButton(QStringLiteral("OK"), this);
    FDialogOK->setGeometry(336, 176, 41, 25);
    FDialogOK->setDefault(true);
    connect(FDialogOK, &QPushButton::clicked, this, &QDialog::accept);
    FDialogOK->setFocus();
}

void TAboutForm::SetSoftwareVersion(const QString &text) {
    FDeviceObtainedVersionLabel->setText(text);
    FDeviceObtainedVersionLabel->adjustSize();
}

void TAboutForm::SetUSBDriverVersion(const QString &text) {
    FUSBObtainedVersionLabel->setText(text);
    FUSBObtainedVersionLabel->adjustSize();
}

void TAboutForm::SetDeviceSerialNumber(const QString &text) {
    FDeviceSerialNumberLabel->setText(text);
    FDeviceSerialNumberLabel->adjustSize();
}

} // namespace vexa
