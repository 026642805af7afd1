#pragma once

#include <QList>
#include <QObject>
#include <QRect>
#include <QSize>
#include <QString>
#include <cstdint>

struct wl_output;
struct wl_registry;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;

namespace platform::wayland {

// The compositor's outputs (screens), as it tells them: each one's place and size in its
// logical coordinates (xdg-output; the places every surface stands in) and its pixels. They
// come, change (the user scales one, turns it) and go while the program runs.
class Outputs : public QObject {
    Q_OBJECT

public:
    struct Output {
        std::uint32_t name = 0;
        wl_output* output = nullptr;
        zxdg_output_v1* xdg = nullptr;
        QString connector;
        // The current mode, in device pixels; the output's transform.
        QSize mode;
        std::int32_t transform = 0;
        // The scale it asks of clients (whole: fractional ones are rounded up).
        int wholeScale = 1;
        // Empty until xdg-output tells it.
        QRect logical;
        Outputs* owner = nullptr;

        // Device pixels per logical pixel: fractional where the logical size tells.
        double Scale() const;
    };

    ~Outputs() override;
    // A global of the registry that is an output, or the manager of their logical places.
    bool Add(wl_registry* registry, std::uint32_t name, const char* interface,
             std::uint32_t version);
    void Remove(std::uint32_t name);
    const Output* Find(const wl_output* output) const;
    // The rectangle all outputs make in logical coordinates (empty while none is known).
    QRect Desktop() const;

signals:
    // An output came, changed or went.
    void Changed();

private:
    void Watch(Output& output);

    QList<Output*> outputs_;
    zxdg_output_manager_v1* manager_ = nullptr;
};

} // namespace platform::wayland
