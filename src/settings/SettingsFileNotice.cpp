#include "settings/SettingsFileNotice.h"

#include "platform/Registry.h"

namespace {

constexpr const char* SaveTimeMark = "<保存时的日期-时间>";

}

std::optional<std::string> SettingsFileNotice()
{
    const std::optional<THiveDamage> damage = TRegistry(TRootKey::rkLocalMachine).Damage();
    if (!damage)
        return std::nullopt;
    return "设置文件已损坏，无法读取：\n" + damage->File + "\n（" + damage->Problem + "）\n\n"
           + "对话框中显示的是默认设置。点击“保存”时，旧文件将改名保留为：\n" + damage->KeptAsStem + SaveTimeMark;
}
