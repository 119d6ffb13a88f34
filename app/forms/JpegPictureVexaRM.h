// The JPEG picture of the splash screen and the about box, decoded with
// libjpeg.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace vexa {

class TJpegPictureVexaRM {
public:
    // Decodes JPEG bytes into an RGB image. Broken or truncated data gives
    // a null image, never a crash.
    static QImage Decode(const QByteArray &bytes);
    // Reads and decodes a file; a missing or broken file gives a null image.
    static QImage Load(const QString &fileName);
    // The picture shipped beside the program.
    static QString DefaultFileName();
};

} // namespace vexa
