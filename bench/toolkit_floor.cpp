// The least a Qt Widgets program can spend to play a colour-keyed GIF on this machine: every
// frame and its mask are prepared before it starts, and each frame then only sets the
// window's shape and paints the picture. overlay_bench runs it beside lumivast and gifview,
// so the cost of the toolkit itself can be told from the program's own.
// Usage: toolkit_floor FILE.gif
#include <QApplication>
#include <QBitmap>
#include <QImageReader>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <vector>

namespace {

struct Frame {
    QImage image;
    QRegion mask;
    int delayMs;
};

class FloorWindow : public QWidget {
public:
    explicit FloorWindow(std::vector<Frame> frames)
        : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
        , frames_(std::move(frames)) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        resize(frames_.front().image.size());
        timer_.setSingleShot(true);
        connect(&timer_, &QTimer::timeout, this, [this] { Show((current_ + 1) % frames_.size()); });
    }

    void Show(std::size_t index) {
        current_ = index;
        winId();
        windowHandle()->setMask(frames_[current_].mask);
        update();
        timer_.start(frames_[current_].delayMs);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).drawImage(0, 0, frames_[current_].image);
    }

private:
    std::vector<Frame> frames_;
    std::size_t current_ = 0;
    QTimer timer_;
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 2)
        return 2;
    QImageReader reader(QString::fromLocal8Bit(argv[1]));
    std::vector<Frame> frames;
    for (QImage image; reader.read(&image);) {
        image = image.convertToFormat(QImage::Format_RGB32);
        const QImage opaque = image.createMaskFromColor(0xff000000u, Qt::MaskInColor);
        frames.push_back(
            {image, QRegion(QBitmap::fromImage(opaque)), std::max(10, reader.nextImageDelay())});
    }
    if (frames.empty())
        return 1;
    FloorWindow window(std::move(frames));
    window.Show(0);
    window.show();
    return app.exec();
}
