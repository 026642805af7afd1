#pragma once

#include <QFileSystemWatcher>
#include <QTimer>

namespace platform {

// A timer that ticks on the user-interface thread from the moment it is created.
class Timer : public QTimer {
    Q_OBJECT

public:
    Timer(int intervalMs, QObject* parent);

    // For a timer whose ticks only look at one file: it rests while the file and its folder
    // stay as they are, and ticks again from the first change to either (the next tick
    // comes within one interval, as it would have). Where the system cannot watch them, it
    // simply goes on ticking.
    void RestUntilChanged(const QString& file);

private:
    QFileSystemWatcher watcher_;
};

} // namespace platform
