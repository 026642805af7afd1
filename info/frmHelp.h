#pragma once

#include "platform/toolkit/Form.h"

// The window with the program's instructions.
class frmHelp : public platform::FormOf<frmHelp> {
    Q_OBJECT

public:
    frmHelp();
};
