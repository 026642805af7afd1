#pragma once

#include <QObject>
#include <memory>
#include <xcb/xcb.h>

namespace platform::x11 {

// Whether a compositing manager draws the screen (an owner of the _NET_WM_CM_S<screen>
// selection), told again each time one starts or stops.
class CompositingManager : public QObject {
    Q_OBJECT

public:
    // The watch of the screen the program runs on; null without X11.
    static CompositingManager* Instance();
    ~CompositingManager() override;
    bool Runs() const { return runs_; }

signals:
    void Changed(bool runs);

private:
    class EventFilter;
    CompositingManager(xcb_connection_t* connection, xcb_atom_t selection);
    void Check();

    xcb_connection_t* connection_;
    xcb_atom_t selection_;
    bool runs_ = false;
    bool checked_ = false;
    std::unique_ptr<EventFilter> filter_;
};

} // namespace platform::x11
