#include "settings/dialog/TOpenPictureDialog.h"

#include "settings/PictureFilter.h"
#include "settings/dialog/TDialogServices.h"

TOpenPictureDialog::TOpenPictureDialog(TDialogServices& services)
    : mServices(services)
    , mFilter(QString::fromStdString(ToQtFilter(kPictureFilter)))
{
}

bool TOpenPictureDialog::Execute(QWidget* parent)
{
    QStringList chosen = mServices.OpenPictures(parent, mFilter, mMultiSelect);
    if (chosen.isEmpty())
        return false;
    mFiles = std::move(chosen);
    return true;
}
