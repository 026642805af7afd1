#include "Fixtures.h"

#include "gifwriter/GifWriter.h"
#include "platform/toolkit/App.h"
#include "platform/toolkit/MessageBox.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>

namespace fixtures {

bool WriteDrawnGif(const QString& path, int width, int height, int frames,
                   const QList<QColor>& palette, int delayCs,
                   const std::function<std::uint8_t(int frame, int x, int y)>& index) {
    gifwriter::Animation animation;
    animation.width = width;
    animation.height = height;
    for (const QColor& c : palette)
        animation.palette.push_back({static_cast<std::uint8_t>(c.red()),
                                     static_cast<std::uint8_t>(c.green()),
                                     static_cast<std::uint8_t>(c.blue())});
    for (int f = 0; f < frames; ++f) {
        gifwriter::Frame frame;
        frame.delayCs = delayCs;
        frame.pixels.reserve(static_cast<std::size_t>(width) * height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                frame.pixels.push_back(index(f, x, y));
        animation.frames.push_back(std::move(frame));
    }
    return gifwriter::WriteGif(QFile::encodeName(path).toStdString(), animation).empty();
}

bool WriteGif(const QString& path, int width, int height, int frames, const QList<QColor>& colours,
              int delayCs) {
    // Each frame is filled with the next colour.
    const int count = static_cast<int>(colours.size());
    return WriteDrawnGif(path, width, height, frames, colours, delayCs,
                         [count](int f, int, int) { return static_cast<std::uint8_t>(f % count); });
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray GifHeaderOnly(int width, int height) {
    QByteArray bytes("GIF89a");
    bytes.append(static_cast<char>(width & 0xff)).append(static_cast<char>(width >> 8));
    bytes.append(static_cast<char>(height & 0xff)).append(static_cast<char>(height >> 8));
    bytes.append(static_cast<char>(0x80)).append('\0').append('\0'); // 2-colour global palette
    bytes.append(QByteArray(6, '\0'));
    // One image descriptor of the full size, with LZW data that ends at once.
    bytes.append(',').append(QByteArray(4, '\0'));
    bytes.append(static_cast<char>(width & 0xff)).append(static_cast<char>(width >> 8));
    bytes.append(static_cast<char>(height & 0xff)).append(static_cast<char>(height >> 8));
    bytes.append('\0').append('\2').append('\0').append(';');
    return bytes;
}

CurrentFolder::CurrentFolder()
    : previous_(QDir::currentPath()) {
    QDir::setCurrent(dir_.path());
}

CurrentFolder::~CurrentFolder() {
    QDir::setCurrent(previous_);
}

MessageRecorder::MessageRecorder(std::function<void()> whileShown)
    : whileShown_(std::move(whileShown)) {
    platform::SetMessagePresenter([this](const QString& prompt, int buttons, const QString& title) {
        messages_.append({prompt, buttons, title});
        if (whileShown_)
            whileShown_();
        return static_cast<int>(platform::vbOK);
    });
}

MessageRecorder::~MessageRecorder() {
    platform::SetMessagePresenter({});
}

ShellLog::ShellLog() {
    platform::SetShellHandler([this](const platform::ShellRequest& r) { requests.append(r); });
}

ShellLog::~ShellLog() {
    platform::SetShellHandler({});
}

EndRecorder::EndRecorder() {
    platform::SetTerminator([](int status) { throw ProgramEnded{status}; });
}

EndRecorder::~EndRecorder() {
    platform::SetTerminator({});
}

void RunEventLoop(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QTest::qWait(qMax(1, ms - static_cast<int>(clock.elapsed())));
}

} // namespace fixtures
