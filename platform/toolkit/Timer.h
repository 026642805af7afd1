#pragma once

#include <QTimer>

namespace platform {

// A timer that ticks on the user-interface thread from the moment it is created.
class Timer : public QTimer {
    Q_OBJECT

public:
    Timer(int intervalMs, QObject* parent);
};

} // namespace platform
