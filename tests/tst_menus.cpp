// The main window's menus and the overlay's popup menu: the web addresses handed to the
// shell, going back to the list, the modal information windows, and ending the program.
#include "support/Fixtures.h"
#include "support/ProgramWindows.h"

#include "app/Addresses.h"
#include "app/frmForma.h"
#include "info/frmHelp.h"
#include "info/frmOproge.h"
#include "overlay/frmGif.h"
#include "platform/toolkit/App.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QTimer>

using fixtures::CurrentFolder;
using fixtures::EndRecorder;
using fixtures::ProgramEnded;
using fixtures::ShellLog;

namespace {

bool OverlayShown() {
    return frmGif::IsLoaded() && frmGif::Instance().Visible();
}

// Opens entry `row` of the list as the user does, with Enter.
void OpenEntry(frmForma& form, int row) {
    form.File1->SetListIndex(row);
    QTest::keyClick(form.File1, Qt::Key_Return);
}

// Clicks the figure as the user does and picks `item` from the popup menu that comes up.
void ChooseFromFigurePopup(QAction* item) {
    bool chosen = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!popup || chosen)
            return;
        chosen = true;
        popup->setActiveAction(item);
        QTest::keyClick(popup, Qt::Key_Return);
    });
    poll.start(10);
    // The overlay's page reports a click on the figure as a click on its link.
    QString url = QStringLiteral("http://figure.lumivast.invalid/");
    emit frmGif::Instance().usrWeb1->ClickUrl(url);
    QVERIFY(chosen);
}

} // namespace

class TestMenus : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { fixtures::DiscardProgramWindows(); }

    void popupWebItemsOpenTheirAddressesFromTheProgramsFolder() {
        CurrentFolder folder;
        QVERIFY(fixtures::WriteGif(folder.file("a.gif"), 40, 30, 2));
        QVERIFY(fixtures::WriteGif(folder.file("b.gif"), 40, 30, 2));
        QVERIFY(QDir::currentPath() != platform::AppPath());
        frmForma& form = frmForma::Instance();
        OpenEntry(form, 0);
        QVERIFY(OverlayShown());
        frmGif* overlay = &frmGif::Instance();

        ShellLog shell;
        ChooseFromFigurePopup(form.pMenuFond);
        ChooseFromFigurePopup(form.pMenuSite);
        QCOMPARE(shell.requests.size(), 2);
        QCOMPARE(shell.requests[0].file, lumivast::CharityFoundationAddress);
        QCOMPARE(shell.requests[1].file, lumivast::AuthorSiteAddress);
        QVERIFY(lumivast::CharityFoundationAddress.startsWith("http://"));
        QVERIFY(lumivast::CharityFoundationAddress.endsWith(".example/"));
        QVERIFY(lumivast::AuthorSiteAddress.startsWith("http://"));
        QVERIFY(lumivast::AuthorSiteAddress.endsWith(".example/site/"));
        for (const platform::ShellRequest& r : shell.requests) {
            QCOMPARE(r.directory, platform::AppPath());
            QCOMPARE(r.operation, QString("Open"));
        }
        // The picture plays on, in the same window, and the list stays hidden.
        fixtures::RunEventLoop(50);
        QVERIFY(OverlayShown());
        QCOMPARE(&frmGif::Instance(), overlay);
        QVERIFY(!form.Visible());
    }

    void popupCloseWithSeveralPicturesGoesBackToTheList() {
        CurrentFolder folder;
        QVERIFY(fixtures::WriteGif(folder.file("a.gif"), 10, 10, 2));
        QVERIFY(fixtures::WriteGif(folder.file("b.gif"), 100, 50, 2));
        QVERIFY(fixtures::WriteGif(folder.file("c.gif"), 60, 40, 2));
        frmForma& form = frmForma::Instance();
        OpenEntry(form, 1);
        QVERIFY(OverlayShown());
        QCOMPARE(frmGif::Instance().size(), QSize(98, 48));

        ChooseFromFigurePopup(form.pMenuExit);
        QVERIFY(form.Visible());
        QVERIFY(!frmGif::IsLoaded());
        QCOMPARE(form.File1->ListCount(), 3);
        QCOMPARE(form.File1->ListIndex(), 1);
        fixtures::RunEventLoop(100); // the timer opens nothing with several pictures
        QVERIFY(!frmGif::IsLoaded());

        // The next opening builds a new overlay for the new picture.
        OpenEntry(form, 2);
        QVERIFY(OverlayShown());
        QCOMPARE(frmGif::Instance().size(), QSize(58, 38));
        QVERIFY(!form.Visible());
    }

    void theProgramEnds_data() {
        QTest::addColumn<int>("pictures");
        QTest::addColumn<QString>("how");
        QTest::newRow("popup Закрыть, one picture") << 1 << "popup";
        QTest::newRow("popup Закрыть, no picture") << 0 << "popup";
        QTest::newRow("Меню / Закрыть") << 3 << "menu";
        QTest::newRow("main window closed from outside") << 3 << "close";
    }

    void theProgramEnds() {
        QFETCH(int, pictures);
        QFETCH(QString, how);
        CurrentFolder folder;
        for (int i = 0; i < pictures; ++i)
            QVERIFY(fixtures::WriteGif(folder.file(QString("p%1.gif").arg(i)), 20, 20, 2));
        frmForma& form = frmForma::Instance();
        if (pictures == 1)
            QTRY_VERIFY(OverlayShown());
        EndRecorder ending;
        try {
            if (how == "popup")
                form.pMenuExit->trigger();
            else if (how == "menu")
                form.MenuExit->trigger();
            else
                form.close();
            QFAIL("the program went on");
        } catch (const ProgramEnded& ended) {
            QCOMPARE(ended.exitStatus, 0);
        }
        // Ending leaves the windows as they were: the list did not come back.
        QCOMPARE(form.Visible(), pictures != 1);
    }

    void informationWindowsAreModal_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("F1 in the list") << "F1";
        QTest::newRow("Инструкции") << "help";
        QTest::newRow("О программе") << "about";
    }

    void informationWindowsAreModal() {
        QFETCH(QString, how);
        CurrentFolder folder;
        QVERIFY(fixtures::WriteGif(folder.file("a.gif"), 20, 20, 2));
        QVERIFY(fixtures::WriteGif(folder.file("b.gif"), 20, 20, 2));
        frmForma& form = frmForma::Instance();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.File1->setFocus();

        const bool about = how == "about";
        QPointer<QWidget> modal;
        QString title;
        bool listAnswered = false;
        QTimer::singleShot(50, [&] {
            modal = QApplication::activeModalWidget();
            title = modal ? modal->windowTitle() : QString();
            // The main window takes no input meanwhile: a double-click opens nothing (sent
            // to the native window, as the window system does, where modality applies).
            QListWidgetItem* entry = form.File1->item(0);
            const QPoint onEntry =
                form.File1->viewport()->mapTo(&form, form.File1->visualItemRect(entry).center());
            QTest::mouseDClick(form.windowHandle(), Qt::LeftButton, Qt::NoModifier, onEntry);
            listAnswered = frmGif::IsLoaded();
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
        QVERIFY(!listAnswered);
        QVERIFY(!modal || !modal->isVisible());
        QVERIFY(form.Visible());
    }
};

QTEST_MAIN(TestMenus)
#include "tst_menus.moc"
