#include "PageContainer.h"

#include "Picture.h"
#include "Presentational.h"

#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QUrl>
#include <algorithm>

namespace platform::browser {

struct PageContainer::Font {
    QFont font;
    QFontMetrics metrics;
};

namespace {

QColor ToQColor(const litehtml::web_color& c) {
    return QColor(c.red, c.green, c.blue, c.alpha);
}

QRect ToQRect(const litehtml::position& p) {
    return QRect(p.x, p.y, p.width, p.height);
}

// CSS generic families and quoted names to installed families.
QStringList Families(const QString& faceNames) {
    QStringList families;
    for (QString name : faceNames.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        name = name.trimmed();
        if (name.size() >= 2 &&
            (name.front() == QLatin1Char('"') || name.front() == QLatin1Char('\'')))
            name = name.mid(1, name.size() - 2);
        const QString generic = name.toLower();
        if (generic == QLatin1String("serif"))
            name = QStringLiteral("Liberation Serif");
        else if (generic == QLatin1String("sans-serif"))
            name = QStringLiteral("Liberation Sans");
        else if (generic == QLatin1String("monospace"))
            name = QStringLiteral("Liberation Mono");
        if (!name.isEmpty())
            families << name;
    }
    families << QStringLiteral("Liberation Serif") << QStringLiteral("DejaVu Serif");
    return families;
}

} // namespace

PageContainer::PageContainer()
    : pictureWatch_(std::make_unique<QObject>()) {}

PageContainer::~PageContainer() = default;

void PageContainer::Reset() {
    pictureWatch_ = std::make_unique<QObject>();
    pictures_.clear();
    clips_.clear();
}

void PageContainer::BeginPaint(QPainter* painter, const QPoint& documentOrigin) {
    painter_ = painter;
    documentOrigin_ = documentOrigin;
    clips_.clear();
}

void PageContainer::EndPaint() {
    painter_ = nullptr;
    clips_.clear();
}

QPainter* PageContainer::Painter(litehtml::uint_ptr hdc) {
    auto* painter = reinterpret_cast<QPainter*>(hdc);
    if (painter)
        ApplyClip(painter);
    return painter;
}

void PageContainer::ApplyClip(QPainter* painter) const {
    if (clips_.empty()) {
        painter->setClipping(false);
        return;
    }
    QRect clip = clips_.front();
    for (const QRect& r : clips_)
        clip &= r;
    painter->setClipRect(clip);
}

QString PageContainer::LocalPath(const QString& address) const {
    if (address.isEmpty())
        return {};
    if (address.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        return QUrl(address).toLocalFile();
    const int colon = address.indexOf(QLatin1Char(':'));
    // Any other scheme (http, about, data …) names nothing on this machine.
    if (colon > 1 && !address.startsWith(QLatin1Char('/')))
        return {};
    if (QDir::isAbsolutePath(address))
        return QDir::cleanPath(address);
    const QString base = baseFolder_.isEmpty() ? QDir::currentPath() : baseFolder_;
    return QDir::cleanPath(QDir(base).absoluteFilePath(address));
}

litehtml::uint_ptr PageContainer::create_font(const litehtml::tchar_t* faceName, int size,
                                              int weight, litehtml::font_style italic,
                                              unsigned int decoration, litehtml::font_metrics* fm) {
    QFont font;
    font.setFamilies(Families(QString::fromUtf8(faceName ? faceName : "")));
    font.setPixelSize(std::max(1, size));
    font.setWeight(static_cast<QFont::Weight>(std::clamp(weight, 100, 900)));
    font.setItalic(italic == litehtml::fontStyleItalic);
    font.setUnderline(decoration & litehtml::font_decoration_underline);
    font.setStrikeOut(decoration & litehtml::font_decoration_linethrough);
    font.setOverline(decoration & litehtml::font_decoration_overline);
    auto handle = std::make_unique<Font>(Font{font, QFontMetrics(font)});
    if (fm) {
        fm->ascent = handle->metrics.ascent();
        fm->descent = handle->metrics.descent();
        fm->height = handle->metrics.height();
        fm->x_height = handle->metrics.xHeight();
        fm->draw_spaces = font.underline() || font.strikeOut() || font.overline();
    }
    fonts_.push_back(std::move(handle));
    return reinterpret_cast<litehtml::uint_ptr>(fonts_.back().get());
}

void PageContainer::delete_font(litehtml::uint_ptr hFont) {
    auto* font = reinterpret_cast<Font*>(hFont);
    std::erase_if(fonts_, [font](const std::unique_ptr<Font>& f) { return f.get() == font; });
}

int PageContainer::text_width(const litehtml::tchar_t* text, litehtml::uint_ptr hFont) {
    const auto* font = reinterpret_cast<const Font*>(hFont);
    if (!font || !text)
        return 0;
    return font->metrics.horizontalAdvance(QString::fromUtf8(text));
}

void PageContainer::draw_text(litehtml::uint_ptr hdc, const litehtml::tchar_t* text,
                              litehtml::uint_ptr hFont, litehtml::web_color color,
                              const litehtml::position& pos) {
    const auto* font = reinterpret_cast<const Font*>(hFont);
    QPainter* painter = Painter(hdc);
    if (!painter || !font || !text)
        return;
    painter->setFont(font->font);
    painter->setPen(ToQColor(color));
    painter->drawText(pos.x, pos.y + font->metrics.ascent(), QString::fromUtf8(text));
}

int PageContainer::pt_to_px(int pt) const {
    return pt * 96 / 72;
}
int PageContainer::get_default_font_size() const {
    return 16;
}
const litehtml::tchar_t* PageContainer::get_default_font_name() const {
    return "Times New Roman";
}

void PageContainer::draw_list_marker(litehtml::uint_ptr hdc, const litehtml::list_marker& marker) {
    QPainter* painter = Painter(hdc);
    if (!painter)
        return;
    const QRect box = ToQRect(marker.pos);
    const QColor color = ToQColor(marker.color);
    painter->setRenderHint(QPainter::Antialiasing, true);
    switch (marker.marker_type) {
    case litehtml::list_style_type_circle:
        painter->setPen(color);
        painter->setBrush(Qt::NoBrush);
        painter->drawEllipse(box.adjusted(0, 0, -1, -1));
        break;
    case litehtml::list_style_type_square:
        painter->fillRect(box, color);
        break;
    case litehtml::list_style_type_none:
        break;
    default:
        painter->setPen(Qt::NoPen);
        painter->setBrush(color);
        painter->drawEllipse(box);
        break;
    }
    painter->setRenderHint(QPainter::Antialiasing, false);
}

QStringList PageContainer::MissingPictures() const {
    QStringList missing;
    for (auto it = pictures_.constBegin(); it != pictures_.constEnd(); ++it)
        if (!it->picture)
            missing.append(it.key());
    return missing;
}

PageContainer::PictureEntry* PageContainer::Entry(const litehtml::tchar_t* src,
                                                  const litehtml::tchar_t* baseurl) {
    Q_UNUSED(baseurl)
    const QString address = QString::fromUtf8(src ? src : "");
    auto it = pictures_.find(address);
    if (it == pictures_.end()) {
        PictureEntry entry;
        const QString path = LocalPath(address);
        if (!path.isEmpty() && QFileInfo(path).isFile())
            entry.picture = Picture::Open(path);
        if (entry.picture) {
            QObject::connect(entry.picture.get(), &Picture::FrameChanged, pictureWatch_.get(),
                             [this, address] {
                                 const auto found = pictures_.constFind(address);
                                 if (found != pictures_.constEnd() && PictureChanged &&
                                     !found->placements.isEmpty())
                                     PictureChanged(found->placements);
                             });
        }
        it = pictures_.insert(address, entry);
    }
    return &it.value();
}

size_t PageContainer::FramesStamp() const {
    size_t stamp = 0;
    // A sum, so that the order in which the pictures are visited does not count.
    for (auto it = pictures_.constBegin(); it != pictures_.constEnd(); ++it)
        stamp += qHashMulti(0, it.key(), it->picture ? it->picture->FrameIndex() : -1);
    return stamp;
}

void PageContainer::load_image(const litehtml::tchar_t* src, const litehtml::tchar_t* baseurl,
                               bool redraw_on_ready) {
    Q_UNUSED(redraw_on_ready)
    Entry(src, baseurl);
}

void PageContainer::get_image_size(const litehtml::tchar_t* src, const litehtml::tchar_t* baseurl,
                                   litehtml::size& sz) {
    const PictureEntry* entry = Entry(src, baseurl);
    const QSize size =
        entry->picture ? entry->picture->Size() : QSize(MissingMarkSize, MissingMarkSize);
    sz.width = size.width();
    sz.height = size.height();
}

void PageContainer::DrawPicture(QPainter* painter, PictureEntry& entry,
                                const litehtml::background_paint& bg) {
    const QRect box(bg.origin_box.x, bg.origin_box.y, bg.image_size.width, bg.image_size.height);
    const QRect place = box.width() > 0 && box.height() > 0 ? box : ToQRect(bg.origin_box);
    const QRect inDocument = place.translated(-documentOrigin_);
    if (!entry.placements.contains(inDocument))
        entry.placements.append(inDocument);

    if (!entry.picture) {
        // The missing-picture mark: a sunken box with a red cross.
        const QRect mark = place.adjusted(0, 0, -1, -1);
        painter->setPen(QColor(128, 128, 128));
        painter->setBrush(QColor(224, 224, 224));
        painter->drawRect(mark);
        const QRect cross = QRect(mark.topLeft() + QPoint(4, 4), QSize(8, 8)) & mark;
        painter->setPen(QPen(QColor(220, 0, 0), 2));
        painter->drawLine(cross.topLeft(), cross.bottomRight());
        painter->drawLine(cross.topRight(), cross.bottomLeft());
        return;
    }
    const QImage frame = entry.picture->CurrentFrame();
    if (bg.repeat == litehtml::background_repeat_no_repeat) {
        painter->drawImage(place, frame);
        return;
    }
    // Tiled backgrounds, within the box they belong to.
    const QRect area = ToQRect(bg.clip_box);
    const int dx = bg.repeat == litehtml::background_repeat_repeat_y ? 0 : place.width();
    const int dy = bg.repeat == litehtml::background_repeat_repeat_x ? 0 : place.height();
    painter->save();
    painter->setClipRect(area, Qt::IntersectClip);
    for (int y = place.y(); dy ? y < area.bottom() + 1 : y == place.y(); y += std::max(1, dy))
        for (int x = place.x(); dx ? x < area.right() + 1 : x == place.x(); x += std::max(1, dx))
            painter->drawImage(QRect(QPoint(x, y), place.size()), frame);
    painter->restore();
}

void PageContainer::draw_background(litehtml::uint_ptr hdc, const litehtml::background_paint& bg) {
    QPainter* painter = Painter(hdc);
    if (!painter)
        return;
    if (bg.color.alpha > 0) {
        // The root's background covers the whole view, not only the document's box.
        const QRect area = bg.is_root ? QRect(QPoint(0, 0), viewport_).united(ToQRect(bg.clip_box))
                                      : ToQRect(bg.clip_box);
        painter->fillRect(area, ToQColor(bg.color));
    }
    if (!bg.image.empty())
        DrawPicture(painter, *Entry(bg.image.c_str(), bg.baseurl.c_str()), bg);
}

void PageContainer::draw_borders(litehtml::uint_ptr hdc, const litehtml::borders& borders,
                                 const litehtml::position& draw_pos, bool root) {
    Q_UNUSED(root)
    QPainter* painter = Painter(hdc);
    if (!painter)
        return;
    const QRect box = ToQRect(draw_pos);
    auto side = [painter](const litehtml::border& b, const QRect& r, bool lightSide) {
        if (b.width <= 0 || b.style == litehtml::border_style_none ||
            b.style == litehtml::border_style_hidden)
            return;
        QColor color = ToQColor(b.color);
        if (b.style == litehtml::border_style_inset)
            color = lightSide ? color.darker(150) : color.lighter(150);
        else if (b.style == litehtml::border_style_outset)
            color = lightSide ? color.lighter(150) : color.darker(150);
        painter->fillRect(r, color);
    };
    side(borders.top, QRect(box.left(), box.top(), box.width(), borders.top.width), true);
    side(borders.bottom,
         QRect(box.left(), box.bottom() + 1 - borders.bottom.width, box.width(),
               borders.bottom.width),
         false);
    side(borders.left, QRect(box.left(), box.top(), borders.left.width, box.height()), true);
    side(borders.right,
         QRect(box.right() + 1 - borders.right.width, box.top(), borders.right.width, box.height()),
         false);
}

void PageContainer::set_caption(const litehtml::tchar_t*) {}

void PageContainer::set_base_url(const litehtml::tchar_t* base_url) {
    const QString path = LocalPath(QString::fromUtf8(base_url ? base_url : ""));
    if (!path.isEmpty())
        baseFolder_ = QFileInfo(path).isDir() ? path + QLatin1Char('/')
                                              : QFileInfo(path).path() + QLatin1Char('/');
}

void PageContainer::link(const std::shared_ptr<litehtml::document>&,
                         const litehtml::element::ptr&) {}

void PageContainer::on_anchor_click(const litehtml::tchar_t* url,
                                    const litehtml::element::ptr& el) {
    if (AnchorClicked)
        AnchorClicked(QString::fromUtf8(url ? url : ""), el);
}

void PageContainer::set_cursor(const litehtml::tchar_t* cursor) {
    if (!CursorChanged)
        return;
    const QString name = QString::fromUtf8(cursor ? cursor : "");
    CursorChanged(name == QLatin1String("pointer") ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void PageContainer::transform_text(litehtml::tstring& text, litehtml::text_transform tt) {
    QString value = QString::fromUtf8(text.c_str());
    switch (tt) {
    case litehtml::text_transform_uppercase:
        value = value.toUpper();
        break;
    case litehtml::text_transform_lowercase:
        value = value.toLower();
        break;
    case litehtml::text_transform_capitalize:
        if (!value.isEmpty())
            value[0] = value[0].toUpper();
        break;
    default:
        return;
    }
    text = value.toStdString();
}

void PageContainer::import_css(litehtml::tstring&, const litehtml::tstring&, litehtml::tstring&) {
    // Pages bring no style sheets from elsewhere.
}

void PageContainer::set_clip(const litehtml::position& pos, const litehtml::border_radiuses&,
                             bool valid_x, bool valid_y) {
    QRect clip = ToQRect(pos);
    if (!valid_x) {
        clip.setLeft(-1000000);
        clip.setRight(1000000);
    }
    if (!valid_y) {
        clip.setTop(-1000000);
        clip.setBottom(1000000);
    }
    clips_.push_back(clip);
}

void PageContainer::del_clip() {
    if (!clips_.empty())
        clips_.pop_back();
}

void PageContainer::get_client_rect(litehtml::position& client) const {
    client = litehtml::position(0, 0, viewport_.width(), viewport_.height());
}

std::shared_ptr<litehtml::element>
PageContainer::create_element(const litehtml::tchar_t* tag_name, const litehtml::string_map&,
                              const std::shared_ptr<litehtml::document>& doc) {
    return CreatePresentationalElement(tag_name ? tag_name : "", doc);
}

void PageContainer::get_media_features(litehtml::media_features& media) const {
    media.type = litehtml::media_type_screen;
    media.width = viewport_.width();
    media.height = viewport_.height();
    media.device_width = viewport_.width();
    media.device_height = viewport_.height();
    media.color = 8;
    media.color_index = 0;
    media.monochrome = 0;
    media.resolution = 96;
}

void PageContainer::get_language(litehtml::tstring& language, litehtml::tstring& culture) const {
    language = "ru";
    culture = "ru-RU";
}

} // namespace platform::browser
