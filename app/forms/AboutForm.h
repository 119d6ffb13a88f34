// The about box: software and transport versions, device serial number and
// the maker's contact links.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace vexa {

class TAboutForm : public QDialog {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget *parent = nullptr);

    static QString CompanySiteAddress();
    static QString CompanyMailAddress();

    void SetSoftwareVersion(const QString &text);
    void SetUSBDriverVersion(const QString &text);
    void SetDeviceSerialNumber(const QString &text);

    QLabel *BackroundImage() const { return FBackroundImage; }
    QLabel *Find() const { return FFind; }
    QLabel *Contact() const { return FContact; }
    QLabel *CompanySite() const { return FCompanySite; }
    QLabel *CompanyMail() const { return FCompanyMail; }
    QLabel *SoftwareVersionLabel() const { return FSoftwareVersionLabel; }
    QLabel *USBDriverVersionLabel() const { return FUSBDriverVersionLabel; }
    QLabel *DeviceSNCaptionLabel() const { return FDeviceSNCaptionLabel; }
    QLabel *DeviceObtainedVersionLabel() const { return FDeviceObtainedVersionLabel; }
    QLabel *USBObtainedVersionLabel() const { return FUSBObtainedVersionLabel; }
    QLabel *DeviceSerialNumberLabel() const { return FDeviceSerialNumberLabel; }
    QPushButton *DialogOK() const { return FDialogOK; }

private:
    QLabel *FBackroundImage;
    QLabel *FFind, *FContact, *FCompanySite, *FCompanyMail;
    QLabel *FSoftwareVersionLabel, *FUSBDriverVersionLabel, *FDeviceSNCaptionLabel;
    QLabel *FDeviceObtainedVersionLabel, *FUSBObtainedVersionLabel, *FDeviceSerialNumberLabel;
    QPushButton *FDialogOK;
};

} // namespace vexa
