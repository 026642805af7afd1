#pragma once

#include "platform/toolkit/Form.h"
#include "platform/toolkit/Timer.h"
#include "ui_frmForma.h"

// The start-up window: the list of the folder's pictures beside the catalogue panel, the
// hidden picture holder that measures the chosen picture, and the menus (the popup menu
// pMenu is shown by the overlay, never in the menu bar).
class frmForma : public platform::FormOf<frmForma>, public Ui::frmForma {
    Q_OBJECT

public:
    frmForma();

    platform::Timer* Timer1 = nullptr;

protected:
    void Form_Load() override;
    void Form_Unload(short& Cancel) override;

private:
    void File1_DblClick();
    void File1_KeyUp(short& KeyCode, short Shift);
    void Timer1_Timer();
    void OpenGif();
    // Reports the failed opening and leaves a window of the program on screen.
    void OpeningFailed();

    void MenuHelp_Click();
    void MenuOproge_Click();
    void MenuExit_Click();
    void pMenuFond_Click();
    void pMenuSite_Click();
    void pMenuExit_Click();

    // Set while the timer opens the only picture by itself.
    bool automaticOpening_ = false;
    // After an automatic opening has failed, the timer opens nothing more by itself.
    bool automaticOpeningStopped_ = false;
};
