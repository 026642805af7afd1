#pragma once

#include "platform/toolkit/Form.h"
#include "ui_frmOproge.h"

#include <QMap>

class QLabel;

// About the program: author, site, version and dates beside an hourglass, a flag drawn at
// run time, and OK.
class frmOproge : public platform::FormOf<frmOproge>, public Ui::frmOproge {
    Q_OBJECT

public:
    frmOproge();

    // The labels of the designed array Label2, by index (0, 3, 4, 5, 6 and 7).
    QMap<int, QLabel*> Label2;

protected:
    void Form_Load() override;

private:
    void Label1_Click();
    void OK_Click();
};
