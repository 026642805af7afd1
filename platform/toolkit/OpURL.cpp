#include "OpURL.h"

#include "platform/Declare.h"
#include "platform/toolkit/App.h"
#include "platform/toolkit/Errors.h"

namespace OpURL {

void OpenURL(QString address) {
    using namespace platform;
    // Every step may fail without a word: nothing of it concerns the user.
    QByteArray folder;
    ResumeNext([&] { folder = AppPath().toLocal8Bit(); });
    ResumeNext([&] {
        const QByteArray file = address.toLocal8Bit();
        ShellExecuteA(1, "Open", file.constData(), nullptr, folder.constData(), SW_SHOWNORMAL);
    });
}

} // namespace OpURL
