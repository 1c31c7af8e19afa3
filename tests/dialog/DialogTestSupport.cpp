#include "dialog/DialogTestSupport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QPixmap>
#include <QRegularExpression>

QStringList TFakeServices::OpenPictures(QWidget*, const QString& filter, bool multiSelect)
{
    MultiSelectAsked << multiSelect;
    FiltersSeen << filter;
    return Answers.isEmpty() ? QStringList() : Answers.takeFirst();
}

void TFakeServices::ShowError(QWidget*, const QString& text)
{
    Errors << text;
}

void TFakeServices::ShowNotice(QWidget*, const QString& text)
{
    Notices << text;
}

THive::THive()
{
    if (!mDir.isValid())
        qFatal("no temporary directory");
    qputenv("XDG_CONFIG_HOME", mDir.path().toLocal8Bit());
}

QString THive::HivePath() const
{
    return mDir.filePath(QStringLiteral("tessaly/registry.reg"));
}

void THive::Clear() const
{
    QDir(mDir.filePath(QStringLiteral("tessaly"))).removeRecursively();
    QFile::remove(mDir.filePath(QStringLiteral("tessaly")));
}

QByteArray THive::Bytes() const
{
    QFile file(HivePath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

std::optional<quint32> THive::Dword(const QString& name) const
{
    const QRegularExpression pattern(
        QStringLiteral("^\"%1\"=dword:([0-9a-fA-F]{1,8})\\s*$").arg(QRegularExpression::escape(name)),
        QRegularExpression::MultilineOption);
    const auto match = pattern.match(QString::fromUtf8(Bytes()));
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).toUInt(nullptr, 16);
}

void THive::Store(const TStoredSettings& values) const
{
    SaveSettings(values);
}

std::unique_ptr<TFBallPara> OpenDialog(TFakeServices& services)
{
    LoadSettings();
    auto dialog = std::make_unique<TFBallPara>(BallSettings, &services);
    dialog->show();
    return dialog;
}

QString MakePicture(const QString& dir, const QString& name, const QColor& color)
{
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(color);
    const QString path = QDir(dir).filePath(name);
    if (!image.save(path))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QColor PreviewColor(const QLabel* preview)
{
    const QPixmap pixmap = preview->pixmap();
    if (pixmap.isNull())
        return {};
    const QImage image = pixmap.toImage();
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

TPictureFiles MakePictureFiles(const QString& root)
{
    TPictureFiles files;
    files.Folder = root + "/图片 folder";
    QDir().mkpath(files.Folder);
    files.Red = MakePicture(files.Folder, "red.png", Qt::red);
    files.Blue = MakePicture(files.Folder, "blue one.bmp", Qt::blue);
    files.Green = MakePicture(files.Folder, "绿色.jpg", Qt::green);
    return files;
}

QStringList Entries(const QListWidget* list)
{
    QStringList entries;
    for (int i = 0; i < list->count(); ++i)
        entries << list->item(i)->text();
    return entries;
}

int SelectedRow(const QListWidget* list)
{
    const auto selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.front());
}

TStringList ToStd(const QStringList& list)
{
    TStringList result;
    for (const auto& s : list)
        result.push_back(s.toStdString());
    return result;
}

bool Near(const QColor& actual, const QColor& expected)
{
    return actual.isValid() && std::abs(actual.red() - expected.red()) < 8
           && std::abs(actual.green() - expected.green()) < 8 && std::abs(actual.blue() - expected.blue()) < 8;
}

void Save(TFBallPara& dialog)
{
    QTest::mouseClick(Control<QPushButton>(&dialog, "btnOk"), Qt::LeftButton);
}
