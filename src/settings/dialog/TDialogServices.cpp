#include "settings/dialog/TDialogServices.h"

#include <QFileDialog>
#include <QMessageBox>

namespace {

const char* const kErrorBoxTitle = "Tessaly";

} // namespace

QStringList TQtDialogServices::OpenPictures(QWidget* parent, const QString& filter, bool multiSelect)
{
    if (multiSelect)
        return QFileDialog::getOpenFileNames(parent, QString(), QString(), filter);
    const QString file = QFileDialog::getOpenFileName(parent, QString(), QString(), filter);
    return file.isEmpty() ? QStringList() : QStringList{file};
}

void TQtDialogServices::ShowError(QWidget* parent, const QString& text)
{
    QMessageBox::critical(parent, QString::fromLatin1(kErrorBoxTitle), text);
}
