#include "Timer.h"

#include <QFileInfo>

namespace platform {

Timer::Timer(int intervalMs, QObject* parent)
    : QTimer(parent) {
    // A coarse timer (within 5 % of the interval): its ticks then wake the program together
    // with the animation's coarse frame timer instead of separately.
    setTimerType(Qt::CoarseTimer);
    setInterval(intervalMs);
    start();
    const auto wake = [this] {
        if (!isActive())
            start();
    };
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, wake);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, wake);
}

void Timer::RestUntilChanged(const QString& file) {
    const QFileInfo info(file);
    const QString path = info.absoluteFilePath(), folder = info.absolutePath();
    // A file that was replaced is watched anew (a watch follows the file, not its name).
    if (!watcher_.files().isEmpty())
        watcher_.removePaths(watcher_.files());
    if (!watcher_.directories().contains(folder))
        watcher_.addPath(folder);
    watcher_.addPath(path);
    if (watcher_.files().contains(path) && watcher_.directories().contains(folder))
        stop();
}

} // namespace platform
