#pragma once

#include "platform/toolkit/MessageBox.h"
#include "platform/toolkit/Shell.h"

#include <QColor>
#include <QDir>
#include <QList>
#include <QRect>
#include <QSize>
#include <QTemporaryDir>
#include <cstdint>
#include <functional>

namespace fixtures {

// Writes a GIF of `frames` frames whose pixels `index(frame, x, y)` picks from `palette`;
// `transparent` is the index shown as transparent (-1: none). Returns whether it was written.
bool WriteDrawnGif(const QString& path, int width, int height, int frames,
                   const QList<QColor>& palette, int delayCs,
                   const std::function<std::uint8_t(int frame, int x, int y)>& index,
                   int transparent = -1);
// A GIF of `frames` frames, each filled with the next colour of `colours`.
bool WriteGif(const QString& path, int width, int height, int frames = 1,
              const QList<QColor>& colours = {QColor(255, 0, 0)}, int delayCs = 5);
// Several such GIFs of one red frame in the current folder.
bool WriteGifs(const QStringList& names, int width = 16, int height = 16);
bool WriteBytes(const QString& path, const QByteArray& bytes);
QByteArray ReadBytes(const QString& path);
// A GIF written block by block, for files shaped as encoders shape them. Pixels are letters
// that the colour tables list: R red, G green, B blue, Y yellow, W white, K (or any other) black.
struct GifFrame {
    QRect area;
    // Row by row as the file holds them (an interlaced frame's rows pass by pass).
    QByteArray pixels;
    int delayCs = 5;
    int disposal = 0;
    char transparent = 0; // the letter drawn as transparent, if any
    bool interlaced = false;
    QByteArray colours; // a table of the frame's own, if any
};
struct GifLoopBlock {
    int beforeFrame = -1; // where it stands; -1: the file has none
    int repeats = 0;
    QByteArray name = "NETSCAPE2.0";
};
// The file's bytes, or none when giflib refused to write them.
QByteArray GifBytes(QSize screen, const QByteArray& colours, const QList<GifFrame>& frames,
                    const GifLoopBlock& loop = {}, char background = 0);
// A picture's pixels as those letters, '.' where it is transparent, rows divided by '|'.
QString Letters(const QImage& picture);

class CurrentFolder;
// A page of a red 40 × 30 picture at its corner (link.gif in `folder`), linked to `href`, on
// yellow: pixel tests use pictures and cells rather than fonts.
QString LinkedPicturePage(const CurrentFolder& folder, const QString& href,
                          const QString& extra = {});

// A fresh temporary folder made the current folder while it lives.
class CurrentFolder {
public:
    CurrentFolder() { QDir::setCurrent(dir_.path()); }
    ~CurrentFolder() { QDir::setCurrent(previous_); }
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }

private:
    QString previous_ = QDir::currentPath();
    QTemporaryDir dir_;
};

struct ShownMessage {
    QString prompt;
    int buttons = 0;
    QString title;
};

// Records message boxes instead of showing them while it lives; `whileShown` runs while a box
// is "open" (to let timers tick as they would under a real modal box).
struct MessageRecorder {
    explicit MessageRecorder(std::function<void()> whileShown = {}) {
        platform::SetMessagePresenter(
            [this, whileShown](const QString& p, int b, const QString& t) {
                messages.append({p, b, t});
                if (whileShown)
                    whileShown();
                return int(platform::vbOK);
            });
    }
    ~MessageRecorder() { platform::SetMessagePresenter({}); }
    QList<ShownMessage> messages;
};

// Records what reaches the desktop shell instead of starting anything, while it lives.
struct ShellLog {
    ShellLog() {
        platform::SetShellHandler([this](const platform::ShellRequest& r) { requests.append(r); });
    }
    ~ShellLog() { platform::SetShellHandler({}); }
    QList<platform::ShellRequest> requests;
};

// Lets the event loop run for `ms` milliseconds.
void RunEventLoop(int ms);

} // namespace fixtures
