#pragma once

#include "platform/PictureDecoder.h"
#include "platform/toolkit/Form.h"
#include "ui_frmGif.h"

// The window that plays the chosen picture on the desktop: borderless, without a task-bar
// button, above other windows, sized to the picture, with black made transparent so that
// only the figure is seen. A click on the figure pops up the main window's menu.
class frmGif : public platform::FormOf<frmGif>, public Ui::frmGif {
    Q_OBJECT

public:
    frmGif();

    // The page that shows `file` (a folder path and a bare name) under the template.
    static QString OverlayPage(const QString& pageTemplate, const QString& folder,
                               const QString& name);

    // Whether the window would show anything of a picture, looking at its frames from the one
    // decoded last on: a pixel of some frame, within the outermost rows and columns that the
    // window leaves out, that is neither transparent nor the key colour. Otherwise there
    // would be nothing to see or click.
    static bool ShowsAnything(platform::PictureDecoder& frames);

protected:
    void Form_Load() override;

private:
    void usrWeb1_ClickUrl(QString& url);
};
