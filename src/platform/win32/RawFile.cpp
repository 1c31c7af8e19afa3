#include "platform/RawFile.h"

#include "platform/win32/Wide.h"
#include "platform/win32/Windows.h"

namespace {

std::string LastError()
{
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   GetLastError(), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message = text ? WideToUtf8(text) : "Unknown error";
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.'))
        message.pop_back();
    return message;
}

}

bool OpenRegularFile(const std::string& path, intptr_t& handle, uint64_t& size, std::string& problem)
{
    HANDLE file = CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        problem = LastError();
        return false;
    }
    LARGE_INTEGER length{};
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &length)) {
        CloseHandle(file);
        problem = "It is not a regular file";
        return false;
    }
    handle = reinterpret_cast<intptr_t>(file);
    size = static_cast<uint64_t>(length.QuadPart);
    return true;
}

int64_t ReadRegularFile(intptr_t handle, uint8_t* buffer, size_t size, std::string& problem)
{
    DWORD got = 0;
    const DWORD wanted = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    if (!ReadFile(reinterpret_cast<HANDLE>(handle), buffer, wanted, &got, nullptr)) {
        problem = LastError();
        return -1;
    }
    return got;
}

void CloseRegularFile(intptr_t handle) { CloseHandle(reinterpret_cast<HANDLE>(handle)); }
