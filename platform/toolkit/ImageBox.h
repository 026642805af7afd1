#pragma once

#include <QDateTime>
#include <QImage>
#include <QWidget>
#include <functional>

namespace platform {

class PictureDecoder;

// An image control that shows a picture at its natural size (it is never stretched): loading
// a picture gives the control the picture's size.
class ImageBox : public QWidget {
    Q_OBJECT

public:
    explicit ImageBox(QWidget* parent = nullptr);

    // Loads the first picture of a file, named relative to the current folder, and makes it
    // this control's picture. Throws Error with 53 (no such file), 75 (not a file),
    // 70 (not readable) or 481 (not a picture the program can show, or one beyond
    // the limits of `PictureLimits`); the old picture stays
    // then. Loading the file that is already shown, unchanged on disk, decodes nothing.
    // `accept`, when given, looks at a newly decoded file before it becomes the picture (its
    // frames, the first one decoded) and throws to refuse it.
    void LoadPicture(const QString& fileName,
                     const std::function<void(PictureDecoder& frames)>& accept = {});

    const QImage& Picture() const { return picture_; }
    // Size in the scale unit of the container.
    double Width() const;
    double Height() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Source {
        QString path;
        qint64 size = -1;
        QDateTime modified;
        bool operator==(const Source&) const = default;
    };

    QImage picture_;
    Source source_;
};

} // namespace platform
