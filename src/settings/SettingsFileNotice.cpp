#include "settings/SettingsFileNotice.h"

#include <filesystem>

#include "platform/Registry.h"

namespace {

constexpr const char* SaveTimeMark = "<保存时间>";

}

std::optional<std::string> SettingsFileNotice()
{
    const std::optional<THiveDamage> damage = TRegistry(TRootKey::rkLocalMachine).Damage();
    if (!damage)
        return std::nullopt;
    // Folder and name on lines of their own, so neither is cut short.
    const std::filesystem::path keptAs(damage->KeptAsStem);
    return "设置文件已损坏，无法读取：\n" + damage->File + "\n（" + damage->Problem + "）\n\n"
           + "对话框中显示的是默认设置。点击“保存”时，旧文件将改名保留在文件夹\n" + keptAs.parent_path().string()
           + "\n中，文件名为 " + keptAs.filename().string() + SaveTimeMark + "。";
}
