#include "platform/win32/dialog/PictureFileDialog.h"

#include <commdlg.h>

#include <string>
#include <vector>

#include "platform/win32/Wide.h"

namespace {

// Room for a few hundred long paths chosen at once.
constexpr size_t kNameBufferLength = 1 << 16;

// The system takes the pairs as strings each ended by a zero, the list by one more.
std::wstring SystemFilter(std::string_view barFilter)
{
    std::wstring filter = Utf8ToWide(barFilter);
    for (wchar_t& c : filter)
        if (c == L'|')
            c = L'\0';
    filter.push_back(L'\0');
    return filter;
}

// One path, or the folder followed by the names chosen in it, each ended by
// a zero and the whole by one more.
TStringList ChosenFiles(const std::vector<wchar_t>& names)
{
    std::vector<std::wstring> parts;
    for (const wchar_t* part = names.data(); *part; part += parts.back().size() + 1)
        parts.emplace_back(part);
    if (parts.size() <= 1)
        return parts.empty() ? TStringList{} : TStringList{WideToUtf8(parts.front())};
    std::wstring folder = parts.front();
    if (folder.back() != L'\\')
        folder.push_back(L'\\');
    TStringList files;
    for (size_t i = 1; i < parts.size(); ++i)
        files.push_back(WideToUtf8(folder + parts[i]));
    return files;
}

} // namespace

TStringList ChoosePictureFiles(HWND owner, std::string_view filter, bool multiSelect)
{
    const std::wstring systemFilter = SystemFilter(filter);
    std::vector<wchar_t> names(kNameBufferLength, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = systemFilter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = names.data();
    dialog.nMaxFile = static_cast<DWORD>(names.size());
    dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (multiSelect)
        dialog.Flags |= OFN_ALLOWMULTISELECT;
    if (!GetOpenFileNameW(&dialog))
        return {};
    return ChosenFiles(names);
}
