#include "platform/RegistryHive.h"

#include <algorithm>

namespace {

constexpr char PathSeparator = '\\';

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether `path` lies strictly below `ancestor`.
bool IsBelow(std::string_view path, std::string_view ancestor)
{
    return path.size() > ancestor.size() && path[ancestor.size()] == PathSeparator
        && SameTextAscii(path.substr(0, ancestor.size()), ancestor);
}

}

bool SameTextAscii(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

bool IsStorableName(std::string_view name)
{
    return name.find_first_of(std::string_view("\0\r\n", 3)) == std::string_view::npos;
}

const THiveValue* THiveKey::FindValue(std::string_view name) const
{
    auto found = std::find_if(Values.begin(), Values.end(),
                              [&](const THiveValue& value) { return SameTextAscii(value.Name, name); });
    return found == Values.end() ? nullptr : &*found;
}

void THiveKey::SetValue(std::string_view name, uint32_t type, TRegData data)
{
    for (THiveValue& value : Values)
        if (SameTextAscii(value.Name, name)) {
            value.Type = type;
            value.Data = std::move(data);
            return;
        }
    Values.push_back(THiveValue{std::string(name), type, std::move(data)});
}

void THiveKey::RemoveValue(std::string_view name)
{
    std::erase_if(Values, [&](const THiveValue& value) { return SameTextAscii(value.Name, name); });
}

THiveKey* TRegistryHive::FindKey(std::string_view path)
{
    auto found = std::find_if(Keys.begin(), Keys.end(), [&](const THiveKey& key) { return SameTextAscii(key.Path, path); });
    return found == Keys.end() ? nullptr : &*found;
}

const THiveKey* TRegistryHive::FindKey(std::string_view path) const
{
    return const_cast<TRegistryHive*>(this)->FindKey(path);
}

bool TRegistryHive::KeyExists(std::string_view path) const
{
    return std::any_of(Keys.begin(), Keys.end(), [&](const THiveKey& key) {
        return SameTextAscii(key.Path, path) || IsBelow(key.Path, path);
    });
}

THiveKey& TRegistryHive::AddKey(std::string_view path)
{
    if (THiveKey* key = FindKey(path))
        return *key;
    Keys.push_back(THiveKey{std::string(path), {}});
    return Keys.back();
}

void TRegistryHive::RemoveKey(std::string_view path)
{
    std::erase_if(Keys, [&](const THiveKey& key) { return SameTextAscii(key.Path, path) || IsBelow(key.Path, path); });
}
