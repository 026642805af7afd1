#pragma once

#include "platform/toolkit/Form.h"

// The About window.
class frmOproge : public platform::FormOf<frmOproge> {
    Q_OBJECT

public:
    frmOproge();
};
