#include "pictures/ErrorLog.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>

#include "platform/FileOpen.h"
#include "platform/XdgPaths.h"

namespace {

constexpr char LogFileName[] = "error.txt";
constexpr char LineBreak[] = "\r\n";

struct TFileClose {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

[[noreturn]] void Fail(const std::filesystem::path& path, int error)
{
    throw EErrorLogWrite("Cannot write " + path.string() + ": " + std::strerror(error));
}

}

std::string PictureFailureLine(const std::string& fileName, const std::string& message)
{
    const std::string quoted = "\"" + fileName + "\"";
    if (message.find(quoted) != std::string::npos)
        return message;
    return "Cannot show " + quoted + ". " + message;
}

std::filesystem::path ErrorLogPath()
{
    return XdgStateDir() / LogFileName;
}

void WriteErrorLog(const std::string& message)
{
    const std::filesystem::path path = ErrorLogPath();
    std::error_code made;
    std::filesystem::create_directories(path.parent_path(), made);
    if (made) {
        Fail(path, made.value());
    }
    std::unique_ptr<std::FILE, TFileClose> file(OpenFile(path, "wb"));
    if (!file) {
        Fail(path, errno);
    }
    const std::string content = message + LineBreak;
    if (std::fwrite(content.data(), 1, content.size(), file.get()) != content.size()) {
        Fail(path, errno);
    }
    std::FILE* open = file.release();
    if (std::fclose(open) != 0) {
        Fail(path, errno);
    }
}
