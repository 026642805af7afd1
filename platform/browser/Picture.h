#pragma once

#include <QImage>
#include <QMovie>
#include <QObject>
#include <QTimer>
#include <memory>
#include <vector>

namespace platform::browser {

// One picture file as the pages show it, animated with the file's own frame delays and
// loop count. Pictures are shared by path: a file shown by several images, documents or
// views is decoded once. An animation whose frames together are small enough is decoded
// during its first loop only and then played from the decoded frames, kept with one byte a
// pixel when a frame has at most 256 colours (as GIF frames nearly always do).
class Picture : public QObject {
    Q_OBJECT

public:
    // The picture of a local file, or null when it cannot be read as a picture.
    static std::shared_ptr<Picture> Open(const QString& absolutePath);

    // Decoded frames kept for replaying, at the most, per picture (as kept, one byte a pixel
    // for frames of up to 256 colours).
    static constexpr qint64 FrameCacheBytes = 8 * 1024 * 1024;

    QSize Size() const { return size_; }
    QImage CurrentFrame() const;
    // Which frame is shown now (the same number each loop).
    int FrameIndex() const;
    // Whether the frames now come from the kept copies rather than the file.
    bool PlaysFromMemory() const { return replaying_; }

signals:
    void FrameChanged();

private:
    struct Frame {
        QImage image;
        int delayMs;
    };

    explicit Picture(const QString& path);
    void MovieFrameChanged(int frameNumber);
    void ShowNextKeptFrame();
    // Makes the kept frame `current_` the one shown.
    void ExpandKeptFrame();

    QMovie movie_;
    QSize size_;
    std::vector<Frame> frames_;
    qint64 keptBytes_ = 0;
    bool keeping_ = true;
    bool replaying_ = false;
    std::size_t current_ = 0;
    // The kept frame being shown, in the movie's own pixel format; one buffer for all frames.
    QImage shown_;
    QImage::Format keptFormat_ = QImage::Format_ARGB32;
    int loopsLeft_ = -1;
    QTimer timer_;
};

} // namespace platform::browser
