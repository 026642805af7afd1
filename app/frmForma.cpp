#include "frmForma.h"

#include "Addresses.h"
#include "platform/toolkit/OpURL.h"
#include "Program.h"
#include "info/frmHelp.h"
#include "info/frmOproge.h"
#include "overlay/frmGif.h"
#include "platform/toolkit/App.h"
#include "platform/toolkit/Errors.h"
#include "platform/toolkit/MessageBox.h"
#include "platform/toolkit/TextBox.h"
#include "platform/toolkit/VirtualKey.h"

#include <QIcon>
#include <QScopedValueRollback>

using namespace platform;
using lumivast::ApplicationFolderPath;
using lumivast::ChosenFileName;

frmForma::frmForma()
    : FormOf(ScaleMode::Twips, StartUpPosition::CenterScreen) {
    // Counts from the form's making: with one picture in the folder, its first tick opens it.
    Timer1 = new Timer(50, this);
    setupUi(this);
    // No frame and no title bar: the menu bar is the window's top edge.
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setWindowIcon(QIcon(QStringLiteral(":/layouts/lumivast.ico")));
    // The menu bar stays in the window even where the desktop offers a global one, so the
    // client area keeps its place below it.
    menuBar->setNativeMenuBar(false);
    SetClientArea(client);
    ScaleDesignToScreen(client);
    txtHtml->SetText(ResourceText(QStringLiteral(":/layouts/catalogue.html")));

    connect(Timer1, &QTimer::timeout, this, &frmForma::Timer1_Timer);
    connect(File1, &FileListBox::DblClick, this, &frmForma::File1_DblClick);
    connect(File1, &FileListBox::KeyUp, this, &frmForma::File1_KeyUp);
    connect(MenuHelp, &QAction::triggered, this, &frmForma::MenuHelp_Click);
    connect(MenuOproge, &QAction::triggered, this, &frmForma::MenuOproge_Click);
    connect(MenuExit, &QAction::triggered, this, &frmForma::MenuExit_Click);
    connect(pMenuFond, &QAction::triggered, this, &frmForma::pMenuFond_Click);
    connect(pMenuSite, &QAction::triggered, this, &frmForma::pMenuSite_Click);
    connect(pMenuExit, &QAction::triggered, this, &frmForma::pMenuExit_Click);
    File1->setFocus();
}

void frmForma::Form_Load() {
    // The pictures are loaded from the listed folder, so the page that shows them must name
    // that folder too (the executable usually lives somewhere else).
    ApplicationFolderPath = lumivast::WithFolderSeparator(File1->Path());
    // With exactly one picture the timer opens it and this window never appears. With none
    // the window still appears, so that the user sees the program and can close it.
    SetVisible(File1->ListCount() != 1);
    usrReklamaX1->LoadHtml(txtHtml->Text());
}

void frmForma::Form_Unload(short& Cancel) {
    Q_UNUSED(Cancel)
    End();
}

void frmForma::File1_DblClick() {
    // A double-click beside the entries, with nothing selected, opens nothing.
    if (File1->ListIndex() == -1)
        return;
    ChosenFileName = File1->List(File1->ListIndex());
    OpenGif();
}

void frmForma::File1_KeyUp(short& KeyCode, short Shift) {
    Q_UNUSED(Shift)
    if (KeyCode != vbKeyReturn)
        return;
    if (File1->ListCount() < 2 || File1->ListIndex() == -1)
        return;
    ChosenFileName = File1->List(File1->ListIndex());
    OpenGif();
}

void frmForma::Timer1_Timer() {
    if (File1->ListCount() != 1 || automaticOpeningStopped_) {
        // The list is read once and the stop is for good: no later tick would do anything.
        Timer1->stop();
        return;
    }
    ChosenFileName = File1->List(0);
    const QScopedValueRollback automatic(automaticOpening_, true);
    OpenGif();
    // While the picture plays and its file stays as it is, a tick would only find it again.
    if (frmGif::IsLoaded() && frmGif::Instance().Visible())
        Timer1->RestUntilChanged(ChosenFileName);
}

void frmForma::OpenGif() {
    Err.Clear();
    ResumeNext([this] {
        Image1->LoadPicture(ChosenFileName, [](PictureDecoder& frames) {
            // A picture that would leave nothing on screen would leave nothing to click
            // either: the program could then only be killed.
            if (!frmGif::ShowsAnything(frames))
                throw Error(errInvalidPicture, QStringLiteral("nothing to show"));
        });
    });
    if (Err.Number > 0) {
        OpeningFailed();
        return;
    }
    ResumeNext([this] { Hide(); });
    // The overlay's load fails when its page cannot play the picture (the file went or
    // changed since it was measured): a failed opening like any other.
    if (!ResumeNext([] { frmGif::Instance().Show(); }))
        OpeningFailed();
}

void frmForma::OpeningFailed() {
    const QString message =
        Err.Number == errFileNotFound
            ? QStringLiteral("Файл «") + ChosenFileName + QStringLiteral("» не найден.")
            : QStringLiteral("Файл «") + ChosenFileName + QStringLiteral("» открыть не возможно.");
    // Stop before the message box runs its own loop, where the timer keeps ticking: a
    // failing automatic opening is reported once, not every 50 ms.
    if (automaticOpening_)
        automaticOpeningStopped_ = true;
    MsgBox(message, vbOKOnly | vbCritical, QStringLiteral("Lumivast"));
    // Never leave the program running with nothing on screen.
    if (!(frmGif::IsLoaded() && frmGif::Instance().Visible()))
        ResumeNext([this] { Show(); });
}

void frmForma::MenuHelp_Click() {
    frmHelp::Instance().Show(vbModal);
}

void frmForma::MenuOproge_Click() {
    frmOproge::Instance().Show(vbModal);
}

void frmForma::MenuExit_Click() {
    End();
}

void frmForma::pMenuFond_Click() {
    OpURL::OpenURL(lumivast::CharityFoundationAddress);
}

void frmForma::pMenuSite_Click() {
    OpURL::OpenURL(lumivast::AuthorSiteAddress);
}

void frmForma::pMenuExit_Click() {
    if (File1->ListCount() <= 1)
        End();
    // Back to the list. The overlay is usually unloaded from inside its own click, which
    // is safe: it is destroyed only after that click has been handled.
    Show();
    if (frmGif::IsLoaded())
        frmGif::Instance().Unload();
}
