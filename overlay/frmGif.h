#pragma once

#include "platform/toolkit/Form.h"

// The window that plays the chosen picture on the desktop: borderless, black, without a
// task-bar button, sized to the picture.
class frmGif : public platform::FormOf<frmGif> {
    Q_OBJECT

public:
    frmGif();

protected:
    void Form_Load() override;
};
