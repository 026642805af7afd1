#include "MessageBox.h"

#include <QMessageBox>

namespace platform {

namespace {

QMessageBox::Icon IconOf(int buttons) {
    switch (buttons & 0x70) {
    case vbCritical:
        return QMessageBox::Critical;
    case vbExclamation:
        return QMessageBox::Warning;
    case vbInformation:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

int PresentWithQt(const QString& prompt, int buttons, const QString& title) {
    MakeMessageBox(prompt, buttons, title)->exec();
    return vbOK;
}

MessagePresenter& Presenter() {
    static MessagePresenter presenter = PresentWithQt;
    return presenter;
}

} // namespace

std::unique_ptr<QMessageBox> MakeMessageBox(const QString& prompt, int buttons,
                                            const QString& title) {
    auto box = std::make_unique<QMessageBox>(IconOf(buttons), title, prompt, QMessageBox::Ok);
    box->setWindowModality(Qt::ApplicationModal);
    // A message may come while the figure plays in its top-most window; it must not hide
    // behind it.
    box->setWindowFlag(Qt::WindowStaysOnTopHint);
    return box;
}

int MsgBox(const QString& prompt, int buttons, const QString& title) {
    return Presenter()(prompt, buttons, title);
}

MessagePresenter SetMessagePresenter(MessagePresenter presenter) {
    MessagePresenter previous = std::move(Presenter());
    Presenter() = presenter ? std::move(presenter) : MessagePresenter(PresentWithQt);
    return previous;
}

} // namespace platform
