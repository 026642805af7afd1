#include "frmGif.h"

#include "app/Program.h"
#include "app/frmForma.h"
#include "platform/ColourKey.h"
#include "platform/Declare.h"
#include "platform/PictureDecoder.h"
#include "platform/toolkit/Errors.h"
#include "platform/toolkit/TextBox.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPalette>
#include <QPointer>

using namespace platform;

namespace {

// Text as an HTML attribute value between apostrophes: a name with an apostrophe, "&" or
// "<" stays a name and never writes into the page, and control characters (which the HTML
// parser would turn, a carriage return into a line feed) are written as references.
QString AttributeText(const QString& text) {
    const QString escaped = text.toHtmlEscaped().replace(QLatin1Char('\''), QLatin1String("&#39;"));
    QString attribute;
    for (const QChar c : escaped)
        attribute += c.unicode() < 32 ? QStringLiteral("&#%1;").arg(c.unicode()) : QString(c);
    return attribute;
}

} // namespace

frmGif::frmGif()
    : FormOf(ScaleMode::Twips, StartUpPosition::CenterScreen) {
    setupUi(this);
    ScaleDesignToScreen(this);
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::Tool);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
    txtHtml->SetText(ResourceText(QStringLiteral(":/layouts/overlay-page.html")));
    connect(usrWeb1, &usrWeb::ClickUrl, this, &frmGif::usrWeb1_ClickUrl);
}

QString frmGif::OverlayPage(const QString& pageTemplate, const QString& folder,
                            const QString& name) {
    return pageTemplate + QStringLiteral("<img src='") + AttributeText(folder) +
           AttributeText(name) + QStringLiteral("' border='0'></a></body></html>");
}

void frmGif::Form_Load() {
    // Single precision, as the sizes were always computed.
    const float pictureWidth = static_cast<float>(frmForma::Instance().Image1->Width());
    SetWidth(pictureWidth - 30.0f);
    const float pictureHeight = static_cast<float>(frmForma::Instance().Image1->Height());
    SetHeight(pictureHeight - 30.0f);
    // The view is as large as the picture and reaches one pixel beyond each edge.
    platform::Move(usrWeb1, -15, -15, frmForma::Instance().Image1->Width(),
                   frmForma::Instance().Image1->Height());

    QCoreApplication::processEvents();

    SetWindowPos(hWnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    SetWindowLongA(hWnd(), GWL_EXSTYLE, GetWindowLongA(hWnd(), GWL_EXSTYLE) | WS_EX_LAYERED);
    SetLayeredWindowAttributes(hWnd(), 0, 0, LWA_COLORKEY);
    // All this window shows is its two views: what they show, and where, says what it shows.
    if (ColourKey* key = ColourKey::Of(this)) {
        key->SetContentStamp([this] {
            return qHashMulti(0, usrWeb1->WebBrowser1->DisplayStamp(),
                              usrWeb2->WebBrowser1->DisplayStamp(), usrWeb1->x(), usrWeb1->y(),
                              usrWeb1->width(), usrWeb1->height());
        });
        // A frame shown before comes back from the X server, without repainting the views.
        for (browser::WebBrowser* view : {usrWeb1->WebBrowser1, usrWeb2->WebBrowser1})
            view->SetFramePresenter(
                [key = QPointer<ColourKey>(key)] { return key && key->PresentKnownContent(); });
    }

    usrWeb1->LoadHtml(
        OverlayPage(txtHtml->Text(), lumivast::ApplicationFolderPath, lumivast::ChosenFileName));
    // The file may have gone or changed since it was measured: then the page has nothing to
    // play, and the opening has failed.
    if (!usrWeb1->WebBrowser1->MissingPictures().isEmpty())
        throw Error(QFileInfo::exists(lumivast::ChosenFileName) ? errInvalidPicture
                                                                : errFileNotFound);
}

bool frmGif::ShowsAnything(PictureDecoder& frames) {
    do {
        const QImage& frame = frames.Frame();
        for (int y = 1; y < frame.height() - 1; ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
            for (int x = 1; x < frame.width() - 1; ++x)
                if (qAlpha(row[x]) != 0 && (row[x] & 0xffffff) != 0)
                    return true;
        }
    } while (frames.Next());
    return false;
}

void frmGif::usrWeb1_ClickUrl(QString& url) {
    Q_UNUSED(url)
    frmForma::Instance().PopupMenu(frmForma::Instance().pMenu, 2);
}
