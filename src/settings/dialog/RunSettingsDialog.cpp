#include "settings/dialog/RunSettingsDialog.h"

#include <QApplication>

#include "settings/dialog/UBallpara.h"

void RunSettingsDialog()
{
    int argc = 1;
    char programName[] = "tessaly";
    char* argv[] = {programName, nullptr};
    QApplication application(argc, argv);
    TFBallPara dialog(BallSettings);
    FBallPara = &dialog;
    // The dialog is the only window: closing it ends the loop.
    dialog.show();
    QApplication::exec();
    FBallPara = nullptr;
}
