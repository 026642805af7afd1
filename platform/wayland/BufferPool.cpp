#include "BufferPool.h"

#include "Connection.h"

#include <algorithm>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>
#include <wayland-client.h>

namespace platform::wayland {

namespace {

constexpr int Stride(int width) {
    return width * 4;
}

// Each of `columns` pixels `factor` times into `row`.
template <typename Pixel> void Widen(quint32* row, int columns, int factor, Pixel pixel) {
    if (factor == 1) {
        for (int x = 0; x < columns; ++x)
            row[x] = pixel(x);
    } else if (factor == 2) {
        for (int x = 0; x < columns; ++x)
            row[2 * x] = row[2 * x + 1] = pixel(x);
    } else {
        for (int x = 0; x < columns; ++x)
            std::fill_n(row + std::size_t(x) * factor, factor, pixel(x));
    }
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
    const int columns = std::min(picture.width(), size.width() / factor);
    const int rows = std::min(picture.height(), size.height() / factor);
    const int width = columns * factor, height = rows * factor;
    const bool compact = picture.format() == QImage::Format_Indexed8;
    const QList<QRgb> colours = compact ? picture.colorTable() : QList<QRgb>();
    const QRgb* table = colours.constData();
    // A compact frame is expanded a row at a time (at 200 % a whole frame goes out this way each
    // time it shows): one row of the buffer is made where the caches hold it, then copied out
    // `factor` times.
    std::vector<quint32> row(std::size_t(size.width()), 0);
    auto* out = reinterpret_cast<quint32*>(buffer.memory);
    for (int y = 0; y < rows; ++y) {
        if (compact) {
            const uchar* indexes = picture.constScanLine(y);
            Widen(row.data(), columns, factor, [&](int x) { return table[indexes[x]]; });
        } else {
            const auto* from = reinterpret_cast<const quint32*>(picture.constScanLine(y));
            Widen(row.data(), columns, factor, [&](int x) { return from[x]; });
        }
        for (int copy = 0; copy < factor; ++copy, out += size.width())
            std::copy(row.begin(), row.end(), out);
    }
    std::fill_n(row.begin(), width, 0);
    for (int y = height; y < size.height(); ++y, out += size.width())
        std::copy(row.begin(), row.end(), out);
}

} // namespace platform::wayland
