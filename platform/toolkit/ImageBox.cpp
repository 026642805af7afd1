#include "ImageBox.h"

#include "Errors.h"
#include "GifCheck.h"
#include "Units.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

namespace platform {

namespace {

bool FitsTheLimits(QSize size) {
    return size.width() <= ImageBox::MaxSide && size.height() <= ImageBox::MaxSide;
}

QImage DecodeFirstPicture(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw Error(file.error() == QFileDevice::PermissionsError ? errPermissionDenied
                                                                  : errPathFileAccess,
                    file.errorString());
    }
    if (file.size() == 0)
        throw Error(errInvalidPicture, QStringLiteral("empty file"));

    if (file.peek(4) == "GIF8") {
        const GifLayout gif = WalkGif(file);
        if (!gif.complete)
            throw Error(errInvalidPicture, QStringLiteral("incomplete GIF"));
        // Every frame is decoded as large as the logical screen, whatever its own size.
        if (!FitsTheLimits(gif.screen))
            throw Error(errInvalidPicture, QStringLiteral("picture too large"));
        if (qint64(gif.screen.width()) * gif.screen.height() * gif.frames >
            ImageBox::MaxPixelsToPlay)
            throw Error(errInvalidPicture, QStringLiteral("animation too large to play"));
        file.seek(0);
    }

    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    if (!reader.canRead())
        throw Error(errInvalidPicture, reader.errorString());
    // Refuse absurd sizes from the header before anything is allocated for them.
    if (const QSize size = reader.size(); size.isValid() && !FitsTheLimits(size))
        throw Error(errInvalidPicture, QStringLiteral("picture too large"));

    QImage picture = reader.read();
    if (picture.isNull())
        throw Error(errInvalidPicture, reader.errorString());
    if (!FitsTheLimits(picture.size()))
        throw Error(errInvalidPicture, QStringLiteral("picture too large"));
    return picture;
}

} // namespace

ImageBox::ImageBox(QWidget* parent)
    : QWidget(parent) {}

void ImageBox::LoadPicture(const QString& fileName,
                           const std::function<void(const QString& path)>& accept) {
    const QFileInfo info(fileName);
    if (!info.exists())
        throw Error(errFileNotFound, fileName);
    if (!info.isFile())
        throw Error(errPathFileAccess, fileName);

    const Source source{info.absoluteFilePath(), info.size(), info.lastModified()};
    if (!picture_.isNull() && source == source_)
        return;

    QImage decoded = DecodeFirstPicture(source.path);
    if (accept)
        accept(source.path);
    picture_ = std::move(decoded);
    source_ = source;
    resize(picture_.size());
    update();
}

double ImageBox::Width() const {
    return width() * UnitsPerPixelX(this);
}
double ImageBox::Height() const {
    return height() * UnitsPerPixelY(this);
}

void ImageBox::paintEvent(QPaintEvent*) {
    if (picture_.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(0, 0, picture_);
}

} // namespace platform
