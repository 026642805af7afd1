// Draws the program's icon and writes it as one .ico with eight images: 16 and 32 pixels in
// 16 colours; 16, 32 and 48 in 256 colours; 16, 32 and 48 in 32-bit colour. Also writes the
// 32-bit pictures as PNG files for desktop themes. Usage: make_icon OUTPUT_FOLDER
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtEndian>
#include <QtMath>
#include <cstdio>

namespace {

QImage DrawIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(size / 48.0, size / 48.0);

    QLinearGradient sky(0, 0, 0, 48);
    sky.setColorAt(0, QColor(40, 56, 160));
    sky.setColorAt(1, QColor(16, 20, 72));
    p.setPen(Qt::NoPen);
    p.setBrush(sky);
    p.drawRoundedRect(QRectF(1, 1, 46, 46), 9, 9);

    // A jumping star with its trail: the little figure that runs about on the screen.
    p.setBrush(QColor(255, 140, 40));
    p.drawEllipse(QPointF(9, 38), 3, 3);
    p.drawEllipse(QPointF(15, 31), 3.5, 3.5);
    QPainterPath star;
    for (int i = 0; i < 10; ++i) {
        const double angle = 2 * M_PI * i / 10.0 - 0.25;
        const double radius = i % 2 == 0 ? 17 : 7.5;
        const QPointF point(29 + radius * qSin(angle), 20 - radius * qCos(angle));
        i == 0 ? star.moveTo(point) : star.lineTo(point);
    }
    star.closeSubpath();
    p.setPen(QPen(QColor(255, 170, 20), 1.5));
    p.setBrush(QColor(255, 230, 60));
    p.drawPath(star);
    return image;
}

// The 16 colours of the classic VGA palette, plus a transparent entry.
QList<QRgb> SixteenColours() {
    return {qRgba(0, 0, 0, 0),   qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
            qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
            qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
            qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
}

struct Entry {
    QImage image;
    int colours; // 16, 256, or 0 for true colour
    int bits;
};

QByteArray Png(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

template <class T> void Put(QByteArray& out, T value) {
    const T little = qToLittleEndian(value);
    out.append(reinterpret_cast<const char*>(&little), sizeof(T));
}

QByteArray Ico(const QList<Entry>& entries) {
    QByteArray header;
    Put<quint16>(header, 0);
    Put<quint16>(header, 1);
    Put<quint16>(header, static_cast<quint16>(entries.size()));
    QByteArray images;
    quint32 offset = 6 + 16 * entries.size();
    for (const Entry& entry : entries) {
        const QByteArray png = Png(entry.image);
        header.append(static_cast<char>(entry.image.width() % 256));
        header.append(static_cast<char>(entry.image.height() % 256));
        header.append(static_cast<char>(entry.colours == 16 ? 16 : 0));
        header.append('\0');
        Put<quint16>(header, 1);
        Put<quint16>(header, static_cast<quint16>(entry.bits));
        Put<quint32>(header, static_cast<quint32>(png.size()));
        Put<quint32>(header, offset);
        offset += png.size();
        images += png;
    }
    return header + images;
}

} // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    QList<Entry> entries;
    for (int size : {16, 32})
        entries.append({DrawIcon(size).convertToFormat(QImage::Format_Indexed8, SixteenColours(),
                                                       Qt::ThresholdDither),
                        16, 4});
    for (int size : {16, 32, 48})
        entries.append({DrawIcon(size).convertToFormat(QImage::Format_Indexed8), 256, 8});
    for (int size : {16, 32, 48})
        entries.append({DrawIcon(size), 0, 32});

    QFile ico(folder.filePath(QStringLiteral("lumivast.ico")));
    if (!ico.open(QIODevice::WriteOnly) || ico.write(Ico(entries)) < 0) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(ico.fileName()));
        return 1;
    }
    for (int size : {16, 32, 48, 256}) {
        const QString png = folder.filePath(QStringLiteral("lumivast-%1.png").arg(size));
        if (!DrawIcon(size).save(png)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(png));
            return 1;
        }
    }
    return 0;
}
