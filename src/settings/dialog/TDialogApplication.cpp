#include "settings/dialog/TDialogApplication.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPixmap>
#include <QTranslator>

#include "pictures/Resources.h"
#include "platform/Screen.h"

namespace {

const char* const kToolkitTranslation = "qtbase";
const char* const kIconResource = "MAINICON";
const char* const kIconType = "PNG";

// The toolkit ends the process when its platform cannot start; without a
// chosen platform that is the X display, which is asked first.
void RequireDisplay()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        PrimaryScreenSize();
}

} // namespace

TDialogApplication::TDialogApplication()
{
    RequireDisplay();
    mApplication = std::make_unique<QApplication>(mArgc, mArgv);
    InstallToolkitTranslation();
    QApplication::setWindowIcon(TessalyIcon());
}

TDialogApplication::~TDialogApplication() = default;

bool InstallToolkitTranslation()
{
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    QLocale::setDefault(chinese);
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(chinese, QString::fromLatin1(kToolkitTranslation), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

QIcon TessalyIcon()
{
    const std::span<const uint8_t> png = FindResourceData(kIconResource, kIconType);
    QPixmap pixmap;
    pixmap.loadFromData(png.data(), static_cast<uint>(png.size()), kIconType);
    return QIcon(pixmap);
}
