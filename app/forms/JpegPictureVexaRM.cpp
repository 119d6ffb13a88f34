#include "JpegPictureVexaRM.h"

#include "WorkingFolderVexaRM.h"

#include <QCoreApplication>
#include <QFile>

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

namespace vexa {

namespace {

// libjpeg reports fatal errors through error_exit, which must not return:
// it jumps back to Decode, which then gives up on the picture.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf back;
};

void ErrorExit(j_common_ptr cinfo) {
    auto *err = reinterpret_cast<ErrorManager *>(cinfo->err);
    std::longjmp(err->back, 1);
}

void OutputMessage(j_common_ptr) {} // warnings are not shown to the operator

// Nothing with a destructor may live in the frame that longjmp leaves, so
// the decoding works on plain data and a preallocated image.
bool DecodeInto(const unsigned char *data, unsigned long size, QImage *out) {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = ErrorExit;
    err.pub.output_message = OutputMessage;
    if (setjmp(err.back)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, const_cast<unsigned char *>(data), size);
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    if (cinfo.output_components != 3 || cinfo.output_width == 0 || cinfo.output_height == 0 ||
        cinfo.output_width > 8192 || cinfo.output_height > 8192) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    // QImage is created outside the jump frame by the caller's helper.
    *out = QImage(int(cinfo.output_width), int(cinfo.output_height), QImage::Format_RGB888);
    if (out->isNull()) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out->scanLine(int(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    // Truncated or corrupt data only raises warnings in libjpeg (it pads
    // the picture with grey); a damaged picture is not shown at all.
    bool clean = err.pub.num_warnings == 0;
    jpeg_destroy_decompress(&cinfo);
    return clean;
}

} // namespace

QImage TJpegPictureVexaRM::Decode(const QByteArray &bytes) {
    if (bytes.isEmpty()) return QImage();
    QImage image;
    if (!DecodeInto(reinterpret_cast<const unsigned char *>(bytes.constData()),
                    static_cast<unsigned long>(bytes.size()), &image))
        return QImage();
    return image;
}

QImage TJpegPictureVexaRM::Load(const QString &fileName) {
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly)) return QImage();
    // The picture is small; a huge file is not ours.
    if (f.size() > 16 * 1024 * 1024) return QImage();
    return Decode(f.readAll());
}

QString TJpegPictureVexaRM::DefaultFileName() {
    return TWorkingFolderVexaRM::ShippedFile(QCoreApplication::applicationDirPath(),
                                             QStringLiteral("VexaSplash.jpg"));
}

} // namespace vexa
