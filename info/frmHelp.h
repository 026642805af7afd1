#pragma once

#include "platform/toolkit/Form.h"
#include "ui_frmHelp.h"

// The instructions: the built-in help document in a view that fills the window, which
// opens maximised with a fixed dialog frame.
class frmHelp : public platform::FormOf<frmHelp>, public Ui::frmHelp {
    Q_OBJECT

public:
    frmHelp();

protected:
    void Form_Load() override;
    void Form_Resize() override;
};
