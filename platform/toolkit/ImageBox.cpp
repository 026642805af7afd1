#include "ImageBox.h"

#include "Errors.h"
#include "Units.h"
#include "platform/PictureDecoder.h"

#include <QFile>
#include <QFileInfo>
#include <QPainter>

namespace platform {

namespace {

// Throws unless the file can be opened and holds something.
void CheckReadable(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw Error(file.error() == QFileDevice::PermissionsError ? errPermissionDenied
                                                                  : errPathFileAccess,
                    file.errorString());
    }
    if (file.size() == 0)
        throw Error(errInvalidPicture, QStringLiteral("empty file"));
}

} // namespace

ImageBox::ImageBox(QWidget* parent)
    : QWidget(parent) {}

void ImageBox::LoadPicture(const QString& fileName,
                           const std::function<void(PictureDecoder& frames)>& accept) {
    const QFileInfo info(fileName);
    if (!info.exists())
        throw Error(errFileNotFound, fileName);
    if (!info.isFile())
        throw Error(errPathFileAccess, fileName);

    const Source source{info.absoluteFilePath(), info.size(), info.lastModified()};
    if (!picture_.isNull() && source == source_)
        return;

    CheckReadable(source.path);
    // Composed as the pages compose it, so that what is measured here is what they show.
    PictureDecoder frames(source.path);
    if (!frames.Problem().isEmpty())
        throw Error(errInvalidPicture, frames.Problem());
    if (!frames.Next())
        throw Error(errInvalidPicture, QStringLiteral("no frame can be decoded"));
    const QImage decoded = frames.Frame();
    if (accept)
        accept(frames);
    picture_ = decoded;
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
