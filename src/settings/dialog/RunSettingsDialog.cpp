#include "settings/dialog/RunSettingsDialog.h"

#include <QApplication>
#include <memory>
#include <stdexcept>

#include "settings/dialog/MessageBoxes.h"
#include "settings/dialog/TDialogApplication.h"
#include "settings/dialog/UBallpara.h"

void RunSettingsDialog()
{
    const TDialogApplication application;
    TFBallPara dialog(BallSettings);
    FBallPara = &dialog;
    // The dialog is the only window: closing it ends the loop.
    dialog.show();
    QApplication::exec();
    FBallPara = nullptr;
}

void ShowSettingsModeError(const std::string& text)
{
    try {
        std::unique_ptr<TDialogApplication> application;
        if (!QApplication::instance())
            application = std::make_unique<TDialogApplication>();
        ShowMessageBox(QMessageBox::Critical, QString::fromStdString(text));
    } catch (const std::runtime_error&) {
        // No display: the line on standard error is all there is.
    }
}
