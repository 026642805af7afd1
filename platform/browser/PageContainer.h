#pragma once

#include <QCursor>
#include <QFont>
#include <QHash>
#include <QObject>
#include <QRect>
#include <QString>
#include <functional>
#include <litehtml/litehtml.h>
#include <memory>
#include <vector>

class QPainter;

namespace platform::browser {

class Picture;

// What litehtml needs from its host, done with Qt: fonts and text, backgrounds, borders,
// pictures, clipping, and the callbacks for link clicks and the cursor. One container serves
// one view; its documents come and go.
class PageContainer : public litehtml::document_container {
public:
    PageContainer();
    ~PageContainer();

    // Where relative picture addresses start: a folder, with a trailing separator.
    void SetBaseFolder(const QString& folder) { baseFolder_ = folder; }
    void SetViewportSize(const QSize& size) { viewport_ = size; }

    // Painting: the painter that the next draw calls use, and where the document's origin
    // lies in it.
    void BeginPaint(QPainter* painter, const QPoint& documentOrigin);
    void EndPaint();

    // Forgets the pictures and where they were drawn (for a new document).
    void Reset();

    // Called inside litehtml's click handling; must not touch the document.
    std::function<void(const QString& url, const litehtml::element::ptr& anchor)> AnchorClicked;
    std::function<void(Qt::CursorShape)> CursorChanged;
    // A picture's frame changed where it was drawn at `rects` (document coordinates).
    std::function<void(const QList<QRect>& rects)> PictureChanged;

    // Changes whenever a picture of the document shows another frame; the same frames give
    // the same value.
    size_t FramesStamp() const;
    // The addresses of the page's pictures that could not be loaded.
    QStringList MissingPictures() const;

    // Resolves an address written in a page into a local file path, or empty.
    QString LocalPath(const QString& address) const;

    // litehtml::document_container
    litehtml::uint_ptr create_font(const litehtml::tchar_t* faceName, int size, int weight,
                                   litehtml::font_style italic, unsigned int decoration,
                                   litehtml::font_metrics* fm) override;
    void delete_font(litehtml::uint_ptr hFont) override;
    int text_width(const litehtml::tchar_t* text, litehtml::uint_ptr hFont) override;
    void draw_text(litehtml::uint_ptr hdc, const litehtml::tchar_t* text, litehtml::uint_ptr hFont,
                   litehtml::web_color color, const litehtml::position& pos) override;
    int pt_to_px(int pt) const override;
    int get_default_font_size() const override;
    const litehtml::tchar_t* get_default_font_name() const override;
    void draw_list_marker(litehtml::uint_ptr hdc, const litehtml::list_marker& marker) override;
    void load_image(const litehtml::tchar_t* src, const litehtml::tchar_t* baseurl,
                    bool redraw_on_ready) override;
    void get_image_size(const litehtml::tchar_t* src, const litehtml::tchar_t* baseurl,
                        litehtml::size& sz) override;
    void draw_background(litehtml::uint_ptr hdc, const litehtml::background_paint& bg) override;
    void draw_borders(litehtml::uint_ptr hdc, const litehtml::borders& borders,
                      const litehtml::position& draw_pos, bool root) override;
    void set_caption(const litehtml::tchar_t* caption) override;
    void set_base_url(const litehtml::tchar_t* base_url) override;
    void link(const std::shared_ptr<litehtml::document>& doc,
              const litehtml::element::ptr& el) override;
    void on_anchor_click(const litehtml::tchar_t* url, const litehtml::element::ptr& el) override;
    void set_cursor(const litehtml::tchar_t* cursor) override;
    void transform_text(litehtml::tstring& text, litehtml::text_transform tt) override;
    void import_css(litehtml::tstring& text, const litehtml::tstring& url,
                    litehtml::tstring& baseurl) override;
    void set_clip(const litehtml::position& pos, const litehtml::border_radiuses& bdr_radius,
                  bool valid_x, bool valid_y) override;
    void del_clip() override;
    void get_client_rect(litehtml::position& client) const override;
    std::shared_ptr<litehtml::element>
    create_element(const litehtml::tchar_t* tag_name, const litehtml::string_map& attributes,
                   const std::shared_ptr<litehtml::document>& doc) override;
    void get_media_features(litehtml::media_features& media) const override;
    void get_language(litehtml::tstring& language, litehtml::tstring& culture) const override;

    // Size of the mark drawn for a picture that cannot be shown.
    static constexpr int MissingMarkSize = 24;

private:
    struct PictureEntry {
        std::shared_ptr<Picture> picture; // null: missing
        QList<QRect> placements;          // where it was drawn, document coordinates
    };

    QPainter* Painter(litehtml::uint_ptr hdc);
    void ApplyClip(QPainter* painter) const;
    PictureEntry* Entry(const litehtml::tchar_t* src, const litehtml::tchar_t* baseurl);
    void DrawPicture(QPainter* painter, PictureEntry& entry, const litehtml::background_paint& bg);

    struct Font;
    std::vector<std::unique_ptr<Font>> fonts_;
    // Context of the connections to shared pictures: replaced with each document, and gone
    // with the container, while the pictures may live on in other views.
    std::unique_ptr<QObject> pictureWatch_;
    QHash<QString, PictureEntry> pictures_;
    std::vector<QRect> clips_;
    QPainter* painter_ = nullptr;
    QPoint documentOrigin_;
    QString baseFolder_;
    QSize viewport_;
};

} // namespace platform::browser
