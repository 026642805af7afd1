#pragma once

#include <QImage>
#include <QMovie>
#include <QObject>
#include <memory>

namespace platform::browser {

// One picture file as the pages show it, animated with the file's own frame delays and
// loop count. Pictures are shared by path: a file shown by several images, documents or
// views is decoded once.
class Picture : public QObject {
    Q_OBJECT

public:
    // The picture of a local file, or null when it cannot be read as a picture.
    static std::shared_ptr<Picture> Open(const QString& absolutePath);

    QSize Size() const { return size_; }
    QImage CurrentFrame() const { return movie_.currentImage(); }

signals:
    void FrameChanged();

private:
    explicit Picture(const QString& path);

    QMovie movie_;
    QSize size_;
};

} // namespace platform::browser
