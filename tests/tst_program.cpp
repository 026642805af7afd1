// The program's windows as the user drives them: what the start-up window shows for zero, one
// and several pictures, the ways of opening one, awkward names, the timer's repeated opening,
// the messages for pictures that cannot be opened, the menus and the figure's popup menu,
// ending the program, and the help and About windows.
#include "support/Fixtures.h"
#include "support/ProgramWindows.h"
#include "support/ViewInput.h"

#include "platform/ColourKey.h"
#include "platform/browser/WebBrowser.h"
#include "platform/toolkit/Fonts.h"
#include "platform/toolkit/TextBox.h"

#include <QElapsedTimer>
#include <QMenuBar>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <sys/wait.h>
#include <unistd.h>

using fixtures::CurrentFolder;
using fixtures::MessageRecorder;
using fixtures::OverlayShown;
using fixtures::RunEventLoop;
using lumivast::ChosenFileName;

namespace {

// Notes whether the start-up window was ever shown, and when the overlay first was.
struct ShowWatcher : QObject {
    ShowWatcher() { clock.start(), qApp->installEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            mainShown |= qobject_cast<frmForma*>(watched) != nullptr;
            if (qobject_cast<frmGif*>(watched) && overlayAfterMs < 0)
                overlayAfterMs = clock.elapsed();
        }
        return false;
    }
    bool mainShown = false;
    qint64 overlayAfterMs = -1;
    QElapsedTimer clock;
};

// Opens the entry `name` of the list as the user does, with Enter.
void OpenEntry(frmForma& form, const QString& name) {
    const QList<QListWidgetItem*> found = form.File1->findItems(name, Qt::MatchExactly);
    form.File1->SetListIndex(found.isEmpty() ? -1 : form.File1->row(found.first()));
    QTest::keyClick(form.File1, Qt::Key_Return);
}

// Clicks the figure as the user does and picks `item` from the popup menu that comes up.
void ChooseFromFigurePopup(QAction* item) {
    bool chosen = false;
    QTimer poll;
    poll.callOnTimeout([&] {
        if (auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            popup && !chosen) {
            chosen = true;
            popup->setActiveAction(item);
            QTest::keyClick(popup, Qt::Key_Return);
        }
    });
    poll.start(10);
    // The overlay's page reports a click on the figure as a click on its link.
    QString url = QStringLiteral("http://figure.lumivast.invalid/");
    emit frmGif::Instance().usrWeb1->ClickUrl(url);
    QVERIFY(chosen);
}

QStringList Texts(const QMenu* menu) {
    QStringList list;
    for (const QAction* a : menu->actions())
        list << (a->isSeparator() ? QString("-") : a->text());
    return list;
}

} // namespace

class TestProgram : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { platform::InstallFontSubstitutes(); }
    void cleanup() { fixtures::DiscardProgramWindows(); }

    void startsWithTheListUnlessThereIsExactlyOnePicture_data() {
        QTest::addColumn<QStringList>("pictures");
        QTest::newRow("none") << QStringList();
        QTest::newRow("one") << QStringList{"b.gif"};
        QTest::newRow("three") << QStringList{"b.gif", "a.gif", "c.gif"};
    }
    void startsWithTheListUnlessThereIsExactlyOnePicture() {
        QFETCH(QStringList, pictures);
        CurrentFolder folder;
        QVERIFY(fixtures::WriteBytes("readme.txt", "x") && fixtures::WriteGifs(pictures));
        MessageRecorder messages;
        ShowWatcher watcher;
        frmForma& form = frmForma::Instance();
        QCOMPARE(form.File1->ListCount(), pictures.size());
        QCOMPARE(lumivast::ApplicationFolderPath, QDir::currentPath() + "/");
        QVERIFY(!frmGif::IsLoaded()); // not before the first tick
        if (pictures.size() == 1) {
            QTRY_VERIFY_WITH_TIMEOUT(OverlayShown(), 3000);
            QVERIFY2(watcher.overlayAfterMs >= 40,
                     qPrintable(QString::number(watcher.overlayAfterMs)));
            QCOMPARE(ChosenFileName, QString("b.gif"));
        }
        // Ticks go on; nothing (more) opens, and the list appears unless one picture plays.
        RunEventLoop(300);
        QCOMPARE(watcher.mainShown, pictures.size() != 1);
        QCOMPARE(frmGif::IsLoaded(), pictures.size() == 1);
        QVERIFY(messages.messages.isEmpty());
        if (pictures.size() != 3)
            return;
        QCOMPARE(form.File1->List(0), QString("a.gif"));
        // The catalogue, its CR LF line breaks kept, is shown by the panel: its frame's blue
        // is on screen.
        QVERIFY(form.txtHtml->Text().contains("\r\n"));
        const QImage panel = form.usrReklamaX1->grab().toImage();
        bool frameBlue = false;
        for (int y = 0; y < panel.height(); y += 2)
            frameBlue |= panel.pixelColor(panel.width() / 2, y) == QColor(0x33, 0x66, 0xcc);
        QVERIFY(frameBlue);
        // The menus: "Меню" alone in the bar; the popup menu is never in it.
        QCOMPARE(form.windowTitle(), QString("Lumivast"));
        QCOMPARE(form.menuBar->actions(), QList<QAction*>{form.Menu->menuAction()});
        QCOMPARE(form.Menu->title(), QString("Меню"));
        QCOMPARE(Texts(form.Menu), QStringList({"Инструкции", "О программе", "-", "Закрыть"}));
        QCOMPARE(Texts(form.pMenu),
                 QStringList({"Благотворительный фонд «Подари жизнь!»",
                              "Сайт автора Vedonik - «Orbelune!»", "-", "Закрыть"}));
        QCOMPARE(form.MenuHelp->shortcut(), QKeySequence(Qt::Key_F1));
    }

    void enterOrADoubleClickOpensTheSelectedEntry() {
        CurrentFolder folder;
        QVERIFY(fixtures::WriteGifs({"a.gif", "b.gif"}));
        frmForma& form = frmForma::Instance();
        QTest::keyClick(form.File1, Qt::Key_Return); // nothing selected
        QTest::mouseDClick(form.File1->viewport(), Qt::LeftButton, {}, QPoint(20, 400));
        form.File1->SetListIndex(1);
        QTest::keyClick(form.File1, Qt::Key_Space); // only Enter opens
        QVERIFY(!frmGif::IsLoaded());
        QTest::keyClick(form.File1, Qt::Key_Enter); // the keypad's Enter too
        QVERIFY(OverlayShown() && !form.Visible());
        QCOMPARE(ChosenFileName, QString("b.gif"));
        fixtures::DiscardProgramWindows();
        frmForma& again = frmForma::Instance();
        QTest::mouseDClick(again.File1->viewport(), Qt::LeftButton, {},
                           again.File1->visualItemRect(again.File1->item(0)).center());
        QVERIFY(OverlayShown());
        QCOMPARE(ChosenFileName, QString("a.gif"));
    }

    // Whatever the name of the only picture, or of its folder, the overlay shows the picture
    // itself (a backslash is an ordinary character here; control characters survive the page).
    void awkwardNamesAndFoldersPlay_data() {
        // The picture's path: its folder, if any, before the last "/".
        QTest::addColumn<QString>("path");
        QString controls;
        for (char16_t c = 1; c < 32; ++c)
            controls += QChar(c);
        QTest::newRow("apostrophe and HTML characters") << "it's & <b>\"&amp;.gif";
        QTest::newRow("spaces around and inside") << " my  cat .gif";
        QTest::newRow("cyrillic") << "Котик прыгает.gif";
        QTest::newRow("characters of addresses") << "100% #1?x=y:z.gif";
        QTest::newRow("a carriage return") << "a\rb.gif";
        QTest::newRow("every control character") << controls + ".gif";
        QTest::newRow("a backslash in the folder") << "a\\b/x.gif";
        QTest::newRow("an awkward folder") << "it's \r<b>/x.gif";
    }
    void awkwardNamesAndFoldersPlay() {
        QFETCH(QString, path);
        const QString folder = path.section('/', 0, -2), name = path.section('/', -1);
        CurrentFolder top;
        QVERIFY(folder.isEmpty() || (QDir().mkdir(folder) && QDir::setCurrent(folder)));
        QVERIFY(fixtures::WriteGif(name, 40, 30, 1, {QColor(1, 0, 0)}));
        frmForma::Instance();
        QTRY_VERIFY_WITH_TIMEOUT(OverlayShown(), 3000);
        QCOMPARE(ChosenFileName, name);
        QCOMPARE(frmGif::Instance().grab().toImage().pixelColor(5, 5), QColor(1, 0, 0));
    }

    // With one picture the timer opens it again whenever its file changes (it rests while
    // the file stays as it is): the open overlay is shown again, not built anew, while the
    // picture holder measures whatever the file now holds.
    void timerShowsTheOpenOverlayAgain() {
        CurrentFolder folder;
        QVERIFY(fixtures::WriteGif("only.gif", 100, 80));
        MessageRecorder messages;
        frmForma::Instance();
        QTRY_VERIFY_WITH_TIMEOUT(OverlayShown(), 3000);
        QTRY_VERIFY(!frmForma::Instance().Timer1->isActive());
        frmGif* overlay = &frmGif::Instance();
        QVERIFY(fixtures::WriteGif("only.gif", 60, 40));
        RunEventLoop(300);
        QCOMPARE(frmForma::Instance().Image1->Width(), 900.0);
        QCOMPARE(&frmGif::Instance(), overlay);
        QCOMPARE(overlay->size(), QSize(98, 78));
        QVERIFY(messages.messages.isEmpty());
    }

    // A picture either plays with something to see and click, or gets a message naming it
    // (the row says why), and the list stays as it was.
    void picturesPlayOrAreRefused_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        // Frames each filled with a letter's colour (see GifBytes).
        const auto filled = [](QSize size, const QByteArray& fills, char transparent = 0) {
            QList<fixtures::GifFrame> frames;
            for (const char fill : fills)
                frames.append({QRect(QPoint(), size),
                               QByteArray(size.width() * size.height(), fill), 5, 0, transparent});
            return fixtures::GifBytes(size, "KR", frames);
        };
        const QString cannot = "Файл «p.gif» открыть не возможно.";
        QTest::newRow("deleted after start") << QByteArray() << "Файл «p.gif» не найден.";
        QTest::newRow("no picture") << QByteArray("hello") << cannot;
        QTest::newRow("zero bytes") << QByteArray("") << cannot;
        QTest::newRow("1 × 1: nothing within the window's edge") << filled({1, 1}, "R") << cannot;
        QTest::newRow("100 × 1") << filled({100, 1}, "R") << cannot;
        QTest::newRow("all the key colour") << filled({20, 20}, "KK") << cannot;
        QTest::newRow("all transparent") << filled({20, 20}, "R", 'R') << cannot;
        QTest::newRow("plays: 3 × 3, one pixel inside the edge") << filled({3, 3}, "R") << "";
        QTest::newRow("plays: the figure in a later frame") << filled({20, 20}, "KR") << "";
    }
    void picturesPlayOrAreRefused() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        CurrentFolder folder;
        QVERIFY(fixtures::WriteGif("good.gif", 100, 50) &&
                fixtures::WriteBytes("p.gif", bytes + ""));
        MessageRecorder messages;
        frmForma& form = frmForma::Instance();
        if (bytes.isNull())
            QVERIFY(QFile::remove("p.gif"));
        // A good picture first, so that the failed one is seen to leave it in place.
        OpenEntry(form, "good.gif");
        delete &frmGif::Instance();
        form.Show();
        OpenEntry(form, "p.gif");
        QCOMPARE(ChosenFileName, QString("p.gif"));
        if (message.isEmpty()) {
            QVERIFY(messages.messages.isEmpty() && OverlayShown());
            // Some of the window shows, which the mouse can click.
            QTRY_VERIFY_WITH_TIMEOUT(
                !platform::ColourKey::Of(&frmGif::Instance())->ShownRegion().isEmpty(), 2000);
            return;
        }
        QCOMPARE(messages.messages.size(), 1);
        QCOMPARE(messages.messages.first().prompt, message);
        QCOMPARE(messages.messages.first().title, QString("Lumivast"));
        QCOMPARE(messages.messages.first().buttons, int(platform::vbOKOnly | platform::vbCritical));
        QVERIFY(form.Visible() && !frmGif::IsLoaded());
        QCOMPARE(form.Image1->Width(), 1500.0); // the previous picture stays
    }

    // The file goes or changes between the measuring and the page's own loading: the page
    // has nothing to play, and the opening has failed as any other.
    void aPictureThePageCannotLoadIsAFailedOpening() {
        CurrentFolder folder;
        QVERIFY(fixtures::WriteGifs({"a.gif", "b.gif"}));
        MessageRecorder messages;
        frmForma& form = frmForma::Instance();
        lumivast::ApplicationFolderPath = "/nowhere/";
        OpenEntry(form, "a.gif");
        QCOMPARE(messages.messages.size(), 1);
        QCOMPARE(messages.messages.first().prompt, QString("Файл «a.gif» открыть не возможно."));
        QVERIFY(form.Visible() && !frmGif::IsLoaded());
    }

    // The only picture fails once as it opens by itself, or is deleted while it plays: one
    // message, however long the box stays open; the list then appears unless the figure is
    // still on screen.
    void failedAutomaticOpeningIsReportedOnce_data() {
        QTest::addColumn<bool>("playing");
        QTest::newRow("damaged") << false;
        QTest::newRow("deleted while it plays") << true;
    }
    void failedAutomaticOpeningIsReportedOnce() {
        QFETCH(bool, playing);
        CurrentFolder folder;
        QVERIFY(playing ? fixtures::WriteGif("only.gif", 20, 20)
                        : fixtures::WriteBytes("only.gif", "GIF89a"));
        // While the box is "open", the timer keeps ticking as under a real modal box.
        MessageRecorder messages([] { RunEventLoop(300); });
        frmForma& form = frmForma::Instance();
        if (playing) {
            QTRY_VERIFY_WITH_TIMEOUT(OverlayShown(), 3000);
            QVERIFY(QFile::remove("only.gif"));
        }
        QTRY_COMPARE_WITH_TIMEOUT(messages.messages.size(), 1, 3000);
        QCOMPARE(messages.messages.first().prompt,
                 playing ? QString("Файл «only.gif» не найден.")
                         : QString("Файл «only.gif» открыть не возможно."));
        RunEventLoop(300);
        QCOMPARE(messages.messages.size(), 1);
        QCOMPARE(OverlayShown(), playing);
        QCOMPARE(form.Visible(), !playing);
    }

    // The popup's web items open their addresses while the picture plays on; its "Закрыть"
    // with several pictures goes back to the list, whose next opening builds a new overlay.
    void popupMenuOfThePlayingPicture() {
        CurrentFolder folder;
        QVERIFY(fixtures::WriteGifs({"a.gif", "b.gif"}, 100, 50) &&
                fixtures::WriteGif("c.gif", 60, 40));
        frmForma& form = frmForma::Instance();
        OpenEntry(form, "b.gif");
        frmGif* overlay = &frmGif::Instance();
        fixtures::ShellLog shell;
        ChooseFromFigurePopup(form.pMenuFond);
        ChooseFromFigurePopup(form.pMenuSite);
        QCOMPARE(shell.requests.size(), 2);
        QCOMPARE(shell.requests[0].file, QString("http://podari-zhizn.example/"));
        QCOMPARE(shell.requests[1].file, QString("http://orbelune.example/site/"));
        RunEventLoop(50);
        QVERIFY(OverlayShown() && !form.Visible());
        QCOMPARE(&frmGif::Instance(), overlay);

        ChooseFromFigurePopup(form.pMenuExit);
        QVERIFY(form.Visible() && !frmGif::IsLoaded());
        QCOMPARE(form.File1->ListCount(), 3);
        QCOMPARE(form.File1->ListIndex(), 1);
        RunEventLoop(100); // the timer opens nothing with several pictures
        QVERIFY(!frmGif::IsLoaded());
        OpenEntry(form, "c.gif");
        QVERIFY(OverlayShown() && !form.Visible());
        QCOMPARE(frmGif::Instance().size(), QSize(58, 38));
    }

    void theProgramEnds_data() {
        QTest::addColumn<QStringList>("pictures");
        QTest::addColumn<QString>("how");
        QTest::newRow("popup Закрыть, one picture") << QStringList{"a.gif"} << "popup";
        QTest::newRow("popup Закрыть, no picture") << QStringList() << "popup";
        QTest::newRow("Меню / Закрыть") << QStringList{"a.gif", "b.gif"} << "menu";
        QTest::newRow("main window closed from outside")
            << QStringList{"a.gif", "b.gif"} << "close";
    }
    // Ending is immediate, with status 0: it happens for real, in a child process.
    void theProgramEnds() {
        QFETCH(QStringList, pictures);
        QFETCH(QString, how);
        CurrentFolder folder;
        QVERIFY(fixtures::WriteGifs(pictures));
        frmForma& form = frmForma::Instance();
        if (pictures.size() == 1)
            QTRY_VERIFY(OverlayShown());
        const pid_t child = fork();
        if (child == 0) {
            how == "popup"  ? form.pMenuExit->trigger()
            : how == "menu" ? form.MenuExit->trigger()
                            : void(form.close());
            _exit(99); // the program went on
        }
        int status = -1;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
    }

    // F1 in the list, "Инструкции" and "О программе" open their window modally: a
    // double-click in the list meanwhile (sent to the native window, as the window system
    // does, where modality applies) opens nothing.
    void informationWindowsAreModal_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("F1 in the list") << "F1";
        QTest::newRow("Инструкции") << "help";
        QTest::newRow("О программе") << "about";
    }
    void informationWindowsAreModal() {
        QFETCH(QString, how);
        CurrentFolder folder;
        QVERIFY(fixtures::WriteGifs({"a.gif", "b.gif"}));
        frmForma& form = frmForma::Instance();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.File1->setFocus();
        const bool about = how == "about";
        QString title;
        QTimer::singleShot(50, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            title = modal ? modal->windowTitle() : QString();
            const QRect entry = form.File1->visualItemRect(form.File1->item(0));
            QTest::mouseDClick(form.windowHandle(), Qt::LeftButton, {},
                               form.File1->viewport()->mapTo(&form, entry.center()));
            title += frmGif::IsLoaded() ? " (the list answered)" : "";
            // Closed whatever happened, so that a failure does not hang the test.
            if (about ? frmOproge::IsLoaded() : frmHelp::IsLoaded())
                about ? frmOproge::Instance().close() : frmHelp::Instance().close();
        });
        if (how == "F1")
            QTest::keyClick(form.File1, Qt::Key_F1);
        else
            (about ? form.MenuOproge : form.MenuHelp)->trigger();
        // Back here only once the window has closed.
        QCOMPARE(title, about ? QString("О программе") : QString("Инструкции"));
        QVERIFY(form.Visible());
    }

    void helpViewFillsTheMaximisedWindowAndFollowsARestore() {
        frmHelp& help = frmHelp::Instance();
        help.Show();
        QVERIFY(QTest::qWaitForWindowExposed(&help));
        QCOMPARE(help.WindowState(), int(platform::vbMaximized));
        QCOMPARE(help.frameGeometry(), help.screen()->availableGeometry());
        QCOMPARE(help.usrHelp1->geometry(), help.rect());
        // It shows the help text, as any view of its size shows it.
        platform::browser::WebBrowser page;
        page.resize(help.usrHelp1->WebBrowser1->size());
        page.Navigate2("about:" + platform::ResourceText(":/layouts/help.html"));
        QTRY_VERIFY(page.Document());
        QCOMPARE(page.viewport()->grab().toImage(),
                 help.usrHelp1->WebBrowser1->viewport()->grab().toImage());
        // Minimised, a change of size leaves the view alone; restored, it fills again.
        const QRect filled = help.usrHelp1->geometry();
        help.setWindowState(Qt::WindowMinimized);
        help.resize(300, 200);
        QCOMPARE(help.usrHelp1->geometry(), filled);
        help.setWindowState(Qt::WindowNoState);
        help.resize(320, 240);
        QCOMPARE(help.usrHelp1->geometry(), QRect(0, 0, 320, 240));
    }

    void aboutWindowRuleButtonAndFlag() {
        frmOproge& about = frmOproge::Instance();
        about.Show();
        // The rule: a dark line on the row above a light one.
        const QImage shot = about.grab().toImage();
        QVERIFY(qGray(shot.pixel(100, about.Line1->y())) < 64);
        QVERIFY(qGray(shot.pixel(100, about.Line1->y() + 1)) > 192);
        // OK's face is the window's grey; being the default button shows in its frame.
        const QImage ok = about.OK->grab().toImage();
        QCOMPARE(ok.pixelColor(ok.width() / 2, 0), QColor(Qt::black));
        QCOMPARE(ok.pixelColor(4, ok.height() / 2), QColor(192, 192, 192));
        // The flag: white, blue and red rows, kept through a repaint.
        about.Picture1->repaint();
        const QImage flag = about.Picture1->grab().toImage();
        QCOMPARE(flag.size(), QSize(80, 45));
        for (int y = 0; y < 45; ++y)
            for (int x = 0; x < 80; ++x)
                QVERIFY2(flag.pixelColor(x, y) == (y <= 14   ? Qt::white
                                                   : y <= 30 ? Qt::blue
                                                             : Qt::red),
                         qPrintable(QString("%1,%2").arg(x).arg(y)));
    }

    void aboutLinkHasItsOwnPointerAndOpensTheSiteUnderTheHourglass() {
        frmOproge& about = frmOproge::Instance();
        about.Show();
        const QCursor pointer = about.Label1->cursor();
        QCOMPARE(pointer.shape(), Qt::BitmapCursor);
        QCOMPARE(pointer.hotSpot(), QPoint(0, 0));
        QCOMPARE(pointer.pixmap().size(), QSize(32, 32));
        for (QLabel* label : about.Label2)
            QVERIFY(!label->testAttribute(Qt::WA_SetCursor));
        QStringList opened;
        platform::SetShellHandler([&](const platform::ShellRequest& r) {
            const QCursor* busy = QGuiApplication::overrideCursor();
            opened << r.file + (busy && busy->shape() == Qt::WaitCursor ? " (busy)" : "");
        });
        QTest::mouseClick(about.Label1, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseClick(about.Label2.value(5), Qt::LeftButton, {}, QPoint(5, 5)); // no link
        platform::SetShellHandler({});
        QCOMPARE(opened, QStringList{"http://orbelune.example/site/ (busy)"});
        QVERIFY(!QGuiApplication::overrideCursor() && about.isVisible());
    }
};

QTEST_MAIN(TestProgram)
#include "tst_program.moc"
