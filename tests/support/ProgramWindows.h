#pragma once

#include "app/Program.h"
#include "app/frmForma.h"
#include "info/frmHelp.h"
#include "info/frmOproge.h"
#include "overlay/frmGif.h"

#include <QCoreApplication>

namespace fixtures {

inline bool OverlayShown() {
    return frmGif::IsLoaded() && frmGif::Instance().Visible();
}

// Destroys the program's windows at once (without their unload steps, which would end the
// program) and forgets the program-wide values, so the next test starts afresh.
inline void DiscardProgramWindows() {
    if (frmHelp::IsLoaded())
        delete &frmHelp::Instance();
    if (frmOproge::IsLoaded())
        delete &frmOproge::Instance();
    if (frmGif::IsLoaded())
        delete &frmGif::Instance();
    if (frmForma::IsLoaded())
        delete &frmForma::Instance();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    lumivast::ApplicationFolderPath.clear();
    lumivast::ChosenFileName.clear();
}

} // namespace fixtures
