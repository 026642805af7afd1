// The help and About windows: the help document and its view filling the maximised window,
// the About window's layout, flag, link and OK. Run at 96, 120 and 144 DPI.
#include "support/Fixtures.h"
#include "support/ProgramWindows.h"
#include "support/TestMain.h"
#include "support/ViewInput.h"

#include "app/Addresses.h"
#include "info/frmHelp.h"
#include "info/frmOproge.h"
#include "platform/browser/WebBrowser.h"
#include "platform/toolkit/Fonts.h"
#include "platform/toolkit/TextBox.h"
#include "platform/toolkit/Units.h"

#include <QApplication>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using fixtures::ShellLog;
using platform::browser::WebBrowser;

namespace {

// Where in the help view the mouse makes the browser report `address` (searched over the
// top lines of the page, where the author block is).
QPoint FindLink(HtmlView* view, const QString& address) {
    QString status;
    const auto connection = QObject::connect(view->WebBrowser1, &WebBrowser::StatusTextChange,
                                             [&status](const QString& text) { status = text; });
    QPoint found(-1, -1);
    for (int y = 4; y < 80 && found.x() < 0; y += 3)
        for (int x = 4; x < view->width() - 4 && found.x() < 0; x += 4) {
            fixtures::Hover(view, QPoint(x, y));
            if (status == address)
                found = QPoint(x, y);
        }
    QObject::disconnect(connection);
    return found;
}

QImage Shot(QWidget* window) {
    return window->grab().toImage();
}

} // namespace

class TestInfo : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { platform::InstallFontSubstitutes(); }
    void cleanup() { fixtures::DiscardProgramWindows(); }

    void helpDocumentHoldsItsTexts() {
        frmHelp& help = frmHelp::Instance();
        const QString text = help.txtHtml->Text();
        for (const char* piece : {
                 "<html>",
                 ".part2:hover{color:red}",
                 "<title>Файл справки</title>",
                 "text/html; charset=windows-1251",
                 "<body topmargin=0 leftmargin=0 link=\"black\" vlink=\"#00C600\" alink=\"red\">",
                 "&nbsp;&nbsp;&nbsp;Автор программы: Vedonik (Mirrowen)<br>",
                 ">Orbelune!</a>",
                 "Lumivast v1.0",
                 "&nbsp;&nbsp;&nbsp;Поместите gif-файл с прозрачным фоном в папку с программой и "
                 "ваши герои будут бегать, прыгать, взрываться прямо на экране монитора. Чтобы ваш "
                 "файл запускался сразу, скопируйте его и программу «Lumivast» в отдельную папку.",
                 "Как создать gif-файл с анимацией",
                 "<br>&nbsp;&nbsp;&nbsp;№1 Каждый кадр сохраняйте под порядковым номером в формате "
                 "psd (пример: 001.psd 002.psd ...).",
                 "<br>&nbsp;&nbsp;&nbsp;№2 Не используйте чёрный цвет с кодом RGB #000000. Он "
                 "будет "
                 "прозрачным.",
                 "Желаю удачи!",
             })
            QVERIFY2(text.contains(QString::fromUtf8(piece)), piece);
        QVERIFY(text.contains("size=6>Lumivast v1.0"));
        // The author's home page is an address of its own, not the site of the menus.
        QVERIFY(text.contains("<a href=\"http://vedonik.example/\">Orbelune!</a>"));
        QVERIFY(!text.contains(lumivast::AuthorSiteAddress));
        QVERIFY(text.endsWith("</font></body></html>\r\n"));
        QCOMPARE(text.count("\n"), text.count("\r\n"));
        QVERIFY2(text.size() > 1600 && text.size() < 1800,
                 qPrintable(QString::number(text.size())));
    }

    void helpViewFillsTheMaximisedWindowAndFollowsARestore() {
        frmHelp& help = frmHelp::Instance();
        help.Show();
        QVERIFY(QTest::qWaitForWindowExposed(&help));
        QCOMPARE(help.windowTitle(), QString("Инструкции"));
        QCOMPARE(help.WindowState(), int(platform::vbMaximized));
        QCOMPARE(help.frameGeometry(), help.screen()->availableGeometry());
        QVERIFY(!(help.windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(help.windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(help.usrHelp1->geometry(), help.rect());
        QCOMPARE(help.usrHelp1->WebBrowser1->geometry(),
                 help.usrHelp1->rect().adjusted(-2, -2, 2, 2));

        // Minimised, a change of size leaves the view alone; restored, it fills again.
        const QRect filled = help.usrHelp1->geometry();
        help.setWindowState(Qt::WindowMinimized);
        help.resize(300, 200);
        QCOMPARE(help.usrHelp1->geometry(), filled);
        help.setWindowState(Qt::WindowNoState);
        help.resize(320, 240);
        QCOMPARE(help.usrHelp1->geometry(), QRect(0, 0, 320, 240));
    }

    void helpLinkOpensTheHomePageOnceAndTheTextStays() {
        frmHelp& help = frmHelp::Instance();
        help.Show();
        QVERIFY(QTest::qWaitForWindowExposed(&help));
        const QPoint link = FindLink(help.usrHelp1, "http://vedonik.example/");
        QVERIFY(link.x() >= 0);
        const QImage before = Shot(&help);
        ShellLog shell;
        fixtures::Click(help.usrHelp1, link);
        QCOMPARE(shell.requests.size(), 1);
        QCOMPARE(shell.requests.first().file, QString("http://vedonik.example/"));
        fixtures::RunEventLoop(50);
        fixtures::Hover(help.usrHelp1, QPoint(help.width() - 5, help.height() - 5));
        QCOMPARE(Shot(&help), before);
    }

    void eachOpeningShowsTheSameContent() {
        frmHelp::Instance().Show();
        frmOproge::Instance().Show();
        QVERIFY(QTest::qWaitForWindowExposed(&frmHelp::Instance()));
        const QImage help = Shot(&frmHelp::Instance());
        const QImage about = Shot(&frmOproge::Instance());
        frmHelp::Instance().close();
        frmOproge::Instance().OK->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!frmHelp::IsLoaded() && !frmOproge::IsLoaded());
        frmHelp::Instance().Show();
        frmOproge::Instance().Show();
        QVERIFY(QTest::qWaitForWindowExposed(&frmHelp::Instance()));
        QCOMPARE(Shot(&frmHelp::Instance()), help);
        QCOMPARE(Shot(&frmOproge::Instance()), about);
    }

    void aboutWindowLayout() {
        frmOproge& about = frmOproge::Instance();
        about.Show();
        QCOMPARE(about.windowTitle(), QString("О программе"));
        // 5340 × 3135 twips: 356 × 209 pixels at 96 DPI, 445 × 261 at 120.
        const double twips = platform::TwipsPerPixelX();
        QCOMPARE(about.size(), QSize(qRound(5340 / twips), qRound(3135 / twips)));
        QCOMPARE(about.palette().color(QPalette::Window), QColor(192, 192, 192));
        for (QWidget* control : about.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            QVERIFY2(about.rect().contains(control->geometry()), qPrintable(control->objectName()));
        const QMap<int, QString> texts = {{3, "Автор: Vedonik"},
                                          {5, "Сайт:"},
                                          {6, "Версия: v1.1"},
                                          {7, "Дата: 30 апреля 2012 год -"},
                                          {0, "24 июля 2015 год"}};
        for (auto it = texts.begin(); it != texts.end(); ++it)
            QCOMPARE(about.Label2.value(it.key())->text(), it.value());
        QVERIFY(about.Label2.value(4)->text().startsWith("E-mail: "));
        QCOMPARE(about.Label2.keys(), QList<int>({0, 3, 4, 5, 6, 7}));
        QCOMPARE(about.Label1->text(), QString("Orbelune!"));
        QCOMPARE(about.Label1->Tag(), lumivast::AuthorSiteAddress);
        QVERIFY(about.Label1->font().underline() && about.Label1->font().bold());
        QCOMPARE(about.Label1->font().pointSize(), 12);
        QCOMPARE(about.Label1->palette().color(QPalette::WindowText), QColor(0, 0, 192));
        QCOMPARE(about.Image1_0->pixmap().size(), QSize(71, 126));
        QCOMPARE(about.Image1_0->geometry().topLeft(),
                 QPoint(qRound(240 / twips), qRound(120 / twips)));
        // The rule: two lines on adjacent rows, dark above light.
        QCOMPARE(about.Line2->y(), about.Line1->y() + 1);
        QCOMPARE(about.Line1->height(), 1);
        QCOMPARE(about.Line2->height(), 1);
        const QImage shot = Shot(&about);
        QVERIFY(qGray(shot.pixel(100, about.Line1->y())) < 64);
        QVERIFY(qGray(shot.pixel(100, about.Line2->y())) > 192);
        QVERIFY(about.OK->hasFocus() || about.focusWidget() == about.OK);
        // OK's face is the window's grey; being the default button shows in its frame.
        const QImage ok = about.OK->grab().toImage();
        QCOMPARE(ok.pixelColor(ok.width() / 2, 0), QColor(Qt::black));
        QCOMPARE(ok.pixelColor(4, ok.height() / 2), QColor(192, 192, 192));
    }

    void aboutFlagIsWhiteBlueRedByRows() {
        frmOproge& about = frmOproge::Instance();
        about.Show();
        QCOMPARE(about.Picture1->geometry(), QRect(8, 160, 80, 45));
        const QImage flag = about.Picture1->grab().toImage();
        QCOMPARE(flag.size(), QSize(80, 45));
        for (int y = 0; y < 45; ++y) {
            const QColor expected = y <= 14   ? Qt::white
                                    : y <= 30 ? QColor(0, 0, 255)
                                              : QColor(255, 0, 0);
            for (int x = 0; x < 80; ++x)
                QVERIFY2(flag.pixelColor(x, y) == expected,
                         qPrintable(QString("%1,%2").arg(x).arg(y)));
        }
        // And it stays through a repaint.
        about.Picture1->repaint();
        QCOMPARE(about.Picture1->grab().toImage(), flag);
    }

    void linkHasItsOwnPointerAndOpensTheSiteUnderTheHourglass() {
        frmOproge& about = frmOproge::Instance();
        about.Show();
        const QCursor pointer = about.Label1->cursor();
        QCOMPARE(pointer.shape(), Qt::BitmapCursor);
        QCOMPARE(pointer.hotSpot(), QPoint(0, 0));
        QCOMPARE(pointer.pixmap().size(), QSize(32, 32));
        for (QLabel* label : about.Label2)
            QVERIFY(!label->testAttribute(Qt::WA_SetCursor));
        QCOMPARE(about.cursor().shape(), Qt::ArrowCursor);

        QList<int> pointerDuringCall;
        QStringList opened;
        platform::SetShellHandler([&](const platform::ShellRequest& r) {
            opened.append(r.file);
            const QCursor* busy = QGuiApplication::overrideCursor();
            pointerDuringCall.append(busy ? busy->shape() : -1);
        });
        QTest::mouseClick(about.Label1, Qt::LeftButton, {}, QPoint(5, 5));
        platform::SetShellHandler({});
        QCOMPARE(opened, QStringList{lumivast::AuthorSiteAddress});
        QCOMPARE(pointerDuringCall, QList<int>{Qt::WaitCursor});
        QVERIFY(!QGuiApplication::overrideCursor());
        QVERIFY(about.isVisible());
        // The other labels are no links.
        QTest::mouseClick(about.Label2.value(5), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(opened.size(), 1);
    }

    void enterRightAfterOpeningClosesTheAboutWindow() {
        bool pressed = false;
        QTimer::singleShot(50, [&] {
            pressed = true;
            QWidget* focus = QApplication::focusWidget();
            QTest::keyClick(focus ? focus : &frmOproge::Instance(), Qt::Key_Return);
        });
        QTimer watchdog; // a failure must not hang the run
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [] {
            if (frmOproge::IsLoaded())
                frmOproge::Instance().Hide();
        });
        watchdog.start(3000);
        frmOproge::Instance().Show(platform::vbModal);
        QVERIFY(pressed);
        QVERIFY(watchdog.isActive());
        QVERIFY(!frmOproge::IsLoaded());
    }
};

LUMIVAST_TEST_MAIN(TestInfo)
#include "tst_info.moc"
