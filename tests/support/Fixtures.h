#pragma once

#include "platform/toolkit/Shell.h"

#include <QColor>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <cstdint>
#include <functional>

namespace fixtures {

// Writes a GIF of `frames` frames, each filled with one colour of `colours` in turn.
// Returns whether it was written.
bool WriteGif(const QString& path, int width, int height, int frames = 1,
              const QList<QColor>& colours = {QColor(255, 0, 0)}, int delayCs = 5);

// Writes a GIF of `frames` frames whose pixels `index(frame, x, y)` picks from `palette`
// (RGB triples). Returns whether it was written.
bool WriteDrawnGif(const QString& path, int width, int height, int frames,
                   const QList<QColor>& palette, int delayCs,
                   const std::function<std::uint8_t(int frame, int x, int y)>& index);

// Writes raw bytes; the fixtures for files that are no picture or a damaged one.
bool WriteBytes(const QString& path, const QByteArray& bytes);

// A GIF header that announces a picture of the given size, with a tiny palette and nothing
// behind it (no memory for the picture is ever needed to write it).
QByteArray GifHeaderOnly(int width, int height);

// A fresh temporary folder made the current folder while it lives.
class CurrentFolder {
public:
    CurrentFolder();
    ~CurrentFolder();
    CurrentFolder(const CurrentFolder&) = delete;
    CurrentFolder& operator=(const CurrentFolder&) = delete;

    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
    QString previous_;
};

// One message box as the program asked for it.
struct ShownMessage {
    QString prompt;
    int buttons = 0;
    QString title;
};

// Records message boxes instead of showing them, for as long as it lives. `whileShown`
// runs while a box is "open" (for example, to let timers tick as they would under a
// real modal box).
class MessageRecorder {
public:
    explicit MessageRecorder(std::function<void()> whileShown = {});
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    const QList<ShownMessage>& messages() const { return messages_; }

private:
    QList<ShownMessage> messages_;
    std::function<void()> whileShown_;
};

// Records what reaches the desktop shell instead of starting anything, for as long as it
// lives.
class ShellLog {
public:
    ShellLog();
    ~ShellLog();
    ShellLog(const ShellLog&) = delete;
    ShellLog& operator=(const ShellLog&) = delete;

    QList<platform::ShellRequest> requests;
};

// What the program's ending throws while an EndRecorder lives, so that the test regains
// control where the process would have exited.
struct ProgramEnded {
    int exitStatus;
};

// Turns the program's ending into a ProgramEnded exception, for as long as it lives.
class EndRecorder {
public:
    EndRecorder();
    ~EndRecorder();
    EndRecorder(const EndRecorder&) = delete;
    EndRecorder& operator=(const EndRecorder&) = delete;
};

// Lets the event loop run for `ms` milliseconds.
void RunEventLoop(int ms);

} // namespace fixtures
