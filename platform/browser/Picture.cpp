#include "Picture.h"

#include <QHash>

namespace platform::browser {

namespace {

// Shared pictures by path; an entry lives while some page shows it.
QHash<QString, std::weak_ptr<Picture>>& OpenPictures() {
    static QHash<QString, std::weak_ptr<Picture>> pictures;
    return pictures;
}

} // namespace

Picture::Picture(const QString& path) {
    movie_.setFileName(path);
    movie_.setCacheMode(QMovie::CacheNone);
    connect(&movie_, &QMovie::frameChanged, this, &Picture::FrameChanged);
}

std::shared_ptr<Picture> Picture::Open(const QString& absolutePath) {
    auto& pictures = OpenPictures();
    if (std::shared_ptr<Picture> shared = pictures.value(absolutePath).lock())
        return shared;

    std::shared_ptr<Picture> picture(new Picture(absolutePath), [absolutePath](Picture* p) {
        if (OpenPictures().value(absolutePath).expired())
            OpenPictures().remove(absolutePath);
        // A frame may still be queued for it; let it go with the object.
        p->movie_.stop();
        p->deleteLater();
    });
    // Starting shows the first frame at once and the next after the first one's delay; a
    // single picture simply stays.
    if (!picture->movie_.isValid())
        return nullptr;
    picture->movie_.start();
    if (picture->movie_.currentImage().isNull())
        return nullptr;
    picture->size_ = picture->movie_.currentImage().size();
    pictures.insert(absolutePath, picture);
    return picture;
}

} // namespace platform::browser
