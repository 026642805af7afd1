#include "Outputs.h"

#include "platform/Logging.h"
#include "xdg-output-client.h"

#include <algorithm>
#include <cstring>
#include <wayland-client.h>

namespace platform::wayland {

namespace {

bool Turned(std::int32_t transform) {
    return transform % 2 == 1; // 90 and 270 degrees, flipped or not
}

void Release(Outputs::Output* output) {
    if (output->xdg)
        zxdg_output_v1_destroy(output->xdg);
    if (wl_output_get_version(output->output) >= WL_OUTPUT_RELEASE_SINCE_VERSION)
        wl_output_release(output->output);
    else
        wl_output_destroy(output->output);
    delete output;
}

} // namespace

double Outputs::Output::Scale() const {
    const int across = Turned(transform) ? mode.height() : mode.width();
    if (logical.width() > 0 && across > 0)
        return double(across) / logical.width();
    return wholeScale;
}

Outputs::~Outputs() {
    for (Output* output : outputs_)
        Release(output);
    if (manager_)
        zxdg_output_manager_v1_destroy(manager_);
}

bool Outputs::Add(wl_registry* registry, std::uint32_t name, const char* interface,
                  std::uint32_t version) {
    if (!std::strcmp(interface, wl_output_interface.name)) {
        auto* output = new Output;
        output->name = name;
        output->owner = this;
        output->output = static_cast<wl_output*>(
            wl_registry_bind(registry, name, &wl_output_interface, std::min(version, 4u)));
        outputs_.append(output);
        Watch(*output);
        return true;
    }
    if (!std::strcmp(interface, zxdg_output_manager_v1_interface.name) && !manager_) {
        manager_ = static_cast<zxdg_output_manager_v1*>(wl_registry_bind(
            registry, name, &zxdg_output_manager_v1_interface, std::min(version, 3u)));
        for (Output* output : outputs_)
            Watch(*output);
        return true;
    }
    return false;
}

void Outputs::Watch(Output& output) {
    if (!wl_proxy_get_listener(reinterpret_cast<wl_proxy*>(output.output))) {
        static constexpr wl_output_listener listener{
            .geometry =
                [](void* data, wl_output*, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                   std::int32_t, const char*, const char*,
                   std::int32_t transform) { static_cast<Output*>(data)->transform = transform; },
            .mode =
                [](void* data, wl_output*, std::uint32_t flags, std::int32_t width,
                   std::int32_t height, std::int32_t) {
                    if (flags & WL_OUTPUT_MODE_CURRENT)
                        static_cast<Output*>(data)->mode = QSize(width, height);
                },
            .done =
                [](void* data, wl_output*) {
                    auto* output = static_cast<Output*>(data);
                    qCInfo(lcWayland)
                        << "output" << output->connector << "of" << output->mode
                        << "device pixels at" << output->logical << "scale" << output->Scale();
                    emit output->owner->Changed();
                },
            .scale =
                [](void* data, wl_output*, std::int32_t factor) {
                    static_cast<Output*>(data)->wholeScale = std::max(1, factor);
                },
            .name =
                [](void* data, wl_output*, const char* name) {
                    static_cast<Output*>(data)->connector = QString::fromUtf8(name);
                },
            .description = [](void*, wl_output*, const char*) {}};
        wl_output_add_listener(output.output, &listener, &output);
    }
    if (manager_ && !output.xdg) {
        output.xdg = zxdg_output_manager_v1_get_xdg_output(manager_, output.output);
        static constexpr zxdg_output_v1_listener listener{
            .logical_position =
                [](void* data, zxdg_output_v1*, std::int32_t x, std::int32_t y) {
                    static_cast<Output*>(data)->logical.moveTo(x, y);
                },
            .logical_size =
                [](void* data, zxdg_output_v1*, std::int32_t width, std::int32_t height) {
                    static_cast<Output*>(data)->logical.setSize(QSize(width, height));
                },
            // Before version 3 the logical place comes on its own (wl_output.done after).
            .done = [](void* data,
                       zxdg_output_v1*) { emit static_cast<Output*>(data)->owner->Changed(); },
            .name = [](void*, zxdg_output_v1*, const char*) {},
            .description = [](void*, zxdg_output_v1*, const char*) {}};
        zxdg_output_v1_add_listener(output.xdg, &listener, &output);
    }
}

void Outputs::Remove(std::uint32_t name) {
    for (qsizetype i = 0; i < outputs_.size(); ++i) {
        Output* output = outputs_[i];
        if (output->name != name)
            continue;
        qCInfo(lcWayland) << "output" << output->connector << "went";
        outputs_.removeAt(i);
        Release(output);
        emit Changed();
        return;
    }
}

const Outputs::Output* Outputs::Find(const wl_output* output) const {
    for (const Output* o : outputs_)
        if (o->output == output)
            return o;
    return nullptr;
}

QRect Outputs::Desktop() const {
    QRect desktop;
    for (const Output* output : outputs_)
        desktop |= output->logical;
    return desktop;
}

} // namespace platform::wayland
