#pragma once

#include <QImage>
#include <QRegion>
#include <QSize>
#include <array>
#include <cstddef>

struct wl_buffer;
struct wl_region;

namespace platform::wayland {

class Connection;

// A content in shared memory for the compositor (memfd, premultiplied ARGB as the toolkit's
// images hold it), or one kept compact beyond the shared memory's budget, with its figure.
struct Buffer {
    wl_buffer* buffer = nullptr;
    QSize size;
    uchar* memory = nullptr;
    std::size_t bytes = 0;
    // The figure, as the input region (null for a content shown once: made per showing).
    wl_region* region = nullptr;
    QRegion mask;
    // A content kept beyond the shared memory's budget (no buffer of its own).
    QImage compact;
    // Whether the compositor may read it now.
    bool busy = false;
};

// Makes and frees the buffers, and lends three for contents shown once (kept nowhere, or
// partly covered), each lent again only once the compositor has let it go.
class BufferPool {
public:
    explicit BufferPool(Connection& connection);
    ~BufferPool();
    BufferPool(const BufferPool&) = delete;
    BufferPool& operator=(const BufferPool&) = delete;

    // A buffer of `size` (no wl_buffer where shared memory cannot be had).
    Buffer Make(QSize size);
    void Free(Buffer& buffer);
    // A buffer of `size` that the compositor does not read, or null while all are on the
    // screen.
    Buffer* Lend(QSize size);
    // The compositor reads `buffer` from now on, until it releases it.
    void Attached(const wl_buffer* buffer);
    // The surface went: the compositor reads none of them any more.
    void SurfaceGone();

private:
    static void Released(void* data, wl_buffer*);

    Connection& connection_;
    std::array<Buffer, 3> lent_;
};

// Draws `picture` (32-bit, or compact: CompactFrame) into `buffer`'s memory of `size` pixels,
// each of its pixels a block of `factor` × `factor`, from the top-left corner; the rest of the
// buffer transparent.
void DrawInto(const Buffer& buffer, QSize size, const QImage& picture, int factor);

} // namespace platform::wayland
