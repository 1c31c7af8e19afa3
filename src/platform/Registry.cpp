#include "platform/Registry.h"

namespace {

constexpr size_t IntegerSize = 4;

std::string Quoted(std::string_view name)
{
    return "'" + std::string(name) + "'";
}

}

ERegistryException ERegistryException::CreateKeyFailed(std::string_view key)
{
    return ERegistryException("Failed to create key " + std::string(key));
}

ERegistryException ERegistryException::SetDataFailed(std::string_view name)
{
    return ERegistryException("Failed to set data for " + Quoted(name));
}

ERegistryException ERegistryException::InvalidDataType(std::string_view name)
{
    return ERegistryException("Invalid data type for " + Quoted(name));
}

ERegistryException ERegistryException::GetDataFailed(std::string_view name)
{
    return ERegistryException("Failed to get data for " + Quoted(name));
}

TRegistry::TRegistry(TRootKey root, std::filesystem::path hiveFile) : Root(root), HiveFile(std::move(hiveFile)) {}

bool TRegistry::OpenKey(std::string_view key, bool canCreate)
{
    CloseKey();
    CurrentKey = TRegKey::Open(HiveFile, Root, key, canCreate ? TKeyAccess::kaCreate : TKeyAccess::kaOpen);
    return CurrentKey.has_value();
}

void TRegistry::CreateKey(std::string_view key)
{
    if (!TRegKey::Open(HiveFile, Root, key, TKeyAccess::kaCreateReplacingDamaged))
        throw ERegistryException::CreateKeyFailed(key);
}

void TRegistry::CloseKey()
{
    CurrentKey.reset();
}

std::optional<THiveDamage> TRegistry::Damage() const
{
    const THiveFile file(HiveFile);
    const THiveFile::TLock lock = file.LockShared();
    const THiveSnapshot snapshot = file.Read();
    if (snapshot.State != THiveState::hsDamaged)
        return std::nullopt;
    return THiveDamage{file.Path().string(), snapshot.Problem, file.AsideStem().string()};
}

bool TRegistry::ValueExists(std::string_view name) const
{
    return CurrentKey && CurrentKey->Query(name).has_value();
}

int32_t TRegistry::ReadInteger(std::string_view name) const
{
    const std::optional<TRegValueData> value = CurrentKey ? CurrentKey->Query(name) : std::nullopt;
    // The data goes into a four-byte buffer before its type is looked at, so
    // longer data fails as unreadable whatever its type.
    if (!value || value->Data.size() > IntegerSize)
        throw ERegistryException::GetDataFailed(name);
    if (value->Type != RegType::Dword)
        throw ERegistryException::InvalidDataType(name);
    uint32_t number = 0;
    for (size_t i = 0; i < value->Data.size(); ++i)
        number |= uint32_t(value->Data[i]) << (8 * i);
    return static_cast<int32_t>(number);
}

bool TRegistry::ReadBool(std::string_view name) const
{
    return ReadInteger(name) != 0;
}

std::string TRegistry::ReadString(std::string_view name) const
{
    const std::optional<TRegValueData> value = CurrentKey ? CurrentKey->Query(name) : std::nullopt;
    if (!value || value->Data.empty())
        return {};
    if (value->Type != RegType::Sz && value->Type != RegType::ExpandSz)
        throw ERegistryException::InvalidDataType(name);
    const std::string text(value->Data.begin(), value->Data.end());
    return text.substr(0, text.find('\0'));
}

void TRegistry::Put(std::string_view name, uint32_t type, const TRegData& data)
{
    if (!CurrentKey || !CurrentKey->Set(name, type, data))
        throw ERegistryException::SetDataFailed(name);
}

void TRegistry::WriteInteger(std::string_view name, int32_t value)
{
    const auto number = static_cast<uint32_t>(value);
    Put(name, RegType::Dword, TRegData{uint8_t(number), uint8_t(number >> 8), uint8_t(number >> 16), uint8_t(number >> 24)});
}

void TRegistry::WriteBool(std::string_view name, bool value)
{
    WriteInteger(name, value ? 1 : 0);
}

void TRegistry::WriteString(std::string_view name, std::string_view value)
{
    TRegData data(value.begin(), value.end());
    data.push_back(0);
    Put(name, RegType::Sz, data);
}
