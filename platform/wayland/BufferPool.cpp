#include "BufferPool.h"

#include "Connection.h"

#include <algorithm>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

namespace platform::wayland {

namespace {

constexpr int Stride(int width) {
    return width * 4;
}

} // namespace

BufferPool::BufferPool(Connection& connection)
    : connection_(connection) {}

BufferPool::~BufferPool() {
    for (Buffer& buffer : lent_)
        Free(buffer);
}

Buffer BufferPool::Make(QSize size) {
    Buffer made;
    made.size = size;
    made.bytes = std::size_t(Stride(size.width())) * std::size_t(size.height());
    const int file = memfd_create("lumivast-frame", MFD_CLOEXEC);
    if (file < 0)
        return made;
    void* memory = ftruncate(file, off_t(made.bytes)) == 0
                       ? mmap(nullptr, made.bytes, PROT_READ | PROT_WRITE, MAP_SHARED, file, 0)
                       : MAP_FAILED;
    if (memory != MAP_FAILED) {
        wl_shm_pool* pool = wl_shm_create_pool(connection_.Shm(), file, int(made.bytes));
        // Premultiplied ARGB, as the toolkit's 32-bit images hold it on this byte order.
        made.buffer = wl_shm_pool_create_buffer(pool, 0, size.width(), size.height(),
                                                Stride(size.width()), WL_SHM_FORMAT_ARGB8888);
        wl_shm_pool_destroy(pool);
        made.memory = static_cast<uchar*>(memory);
    }
    close(file);
    return made;
}

void BufferPool::Free(Buffer& buffer) {
    if (buffer.buffer)
        wl_buffer_destroy(buffer.buffer);
    if (buffer.memory)
        munmap(buffer.memory, buffer.bytes);
    if (buffer.region)
        wl_region_destroy(buffer.region);
    buffer = Buffer();
}

void BufferPool::Released(void* data, wl_buffer*) {
    static_cast<Buffer*>(data)->busy = false;
}

Buffer* BufferPool::Lend(QSize size) {
    Buffer* free = nullptr;
    for (Buffer& buffer : lent_)
        if (!buffer.busy && (!free || buffer.size == size))
            free = &buffer;
    if (!free)
        return nullptr;
    if (free->size != size || !free->buffer) {
        Free(*free);
        *free = Make(size);
        if (!free->buffer)
            return nullptr;
        static constexpr wl_buffer_listener release{Released};
        wl_buffer_add_listener(free->buffer, &release, free);
    }
    return free;
}

void BufferPool::Attached(const wl_buffer* buffer) {
    for (Buffer& lent : lent_)
        lent.busy |= lent.buffer == buffer;
}

void BufferPool::SurfaceGone() {
    for (Buffer& buffer : lent_)
        buffer.busy = false;
}

void DrawInto(const Buffer& buffer, QSize size, const QImage& picture, int factor) {
    const int stride = Stride(size.width());
    const int columns = std::min(picture.width(), size.width() / factor);
    const int rows = std::min(picture.height(), size.height() / factor);
    const int width = columns * factor, height = rows * factor;
    // Row by row of the picture, each pixel written `factor` times (a whole frame at 200 % goes
    // out this way each time where it is kept compact: no division per pixel).
    for (int y = 0; y < rows; ++y) {
        uchar* first = buffer.memory + std::size_t(y) * factor * stride;
        auto* out = reinterpret_cast<quint32*>(first);
        const auto* from = reinterpret_cast<const quint32*>(picture.constScanLine(y));
        if (factor == 1) {
            std::memcpy(out, from, std::size_t(width) * 4);
        } else if (factor == 2) {
            for (int x = 0; x < columns; ++x)
                out[2 * x] = out[2 * x + 1] = from[x];
        } else {
            for (int x = 0; x < columns; ++x)
                std::fill_n(out + std::size_t(x) * factor, factor, from[x]);
        }
        std::memset(out + width, 0, std::size_t(size.width() - width) * 4);
        for (int copy = 1; copy < factor; ++copy)
            std::memcpy(first + std::size_t(copy) * stride, first, std::size_t(stride));
    }
    std::memset(buffer.memory + std::size_t(height) * stride, 0,
                std::size_t(size.height() - height) * stride);
}

} // namespace platform::wayland
