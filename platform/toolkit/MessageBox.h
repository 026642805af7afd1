#pragma once

#include <QString>
#include <functional>
#include <memory>

class QMessageBox;

namespace platform {

// Button and icon flags, and the answer, of a message box.
enum MsgBoxStyle : int { vbOKOnly = 0, vbCritical = 16, vbExclamation = 48, vbInformation = 64 };
enum MsgBoxResult : int { vbOK = 1 };

// Shows a modal message box (no owner window) and returns the button chosen.
int MsgBox(const QString& prompt, int buttons, const QString& title);

// The box that the default presenter runs: modal, without owner, above every other window.
std::unique_ptr<QMessageBox> MakeMessageBox(const QString& prompt, int buttons,
                                            const QString& title);

// Who shows message boxes. The default builds a QMessageBox and runs it modally; tests put
// their own presenter in place. Returns the presenter that was in place.
using MessagePresenter =
    std::function<int(const QString& prompt, int buttons, const QString& title)>;
MessagePresenter SetMessagePresenter(MessagePresenter presenter);

} // namespace platform
