#include "settings/dialog/TDialogServices.h"

#include <QApplication>
#include <QFileDialog>

#include "settings/dialog/MessageBoxes.h"

QStringList TQtDialogServices::OpenPictures(QWidget* parent, const QString& filter, bool multiSelect)
{
    if (multiSelect)
        return QFileDialog::getOpenFileNames(parent, QString(), QString(), filter);
    const QString file = QFileDialog::getOpenFileName(parent, QString(), QString(), filter);
    return file.isEmpty() ? QStringList() : QStringList{file};
}

void TQtDialogServices::ShowError(QWidget* parent, const QString& text)
{
    ShowMessageBox(QMessageBox::Critical, text, parent);
}

void TQtDialogServices::ShowNotice(QWidget* parent, const QString& text)
{
    ShowMessageBox(QMessageBox::Warning, text, parent);
}

void TQtDialogServices::Beep()
{
    QApplication::beep();
}
