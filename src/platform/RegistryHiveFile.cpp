#include "platform/RegistryHiveFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/XdgPaths.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* HiveFileName = "registry.reg";
constexpr const char* TemporaryMark = ".tmp-";
constexpr const char* DamagedMark = ".damaged-";
constexpr mode_t PrivateFolderMode = 0700;
constexpr mode_t NewFileMode = 0600;
constexpr size_t ReadChunk = 65536;
constexpr int MaxAsideAttempts = 1000;
constexpr int MaxLinkHops = 40;     // as many as the system follows itself

int RetryOnInterrupt(auto call)
{
    int result;
    do
        result = call();
    while (result < 0 && errno == EINTR);
    return result;
}

// Like create_directories, but new folders are private to the user.
bool CreateFolders(const fs::path& folder)
{
    fs::path partial;
    for (const fs::path& part : folder) {
        partial /= part;
        if (mkdir(partial.c_str(), PrivateFolderMode) != 0 && errno != EEXIST)
            return false;
    }
    return fs::is_directory(partial);
}

bool WriteAll(int fd, std::string_view text)
{
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = write(fd, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += static_cast<size_t>(written);
    }
    return true;
}

bool SyncFolder(const fs::path& folder)
{
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = fsync(fd) == 0;
    close(fd);
    return synced;
}

std::string TimeStamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

}

THiveFile::TLock::TLock(const fs::path& folder, bool exclusive)
{
    Fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (Fd < 0)
        return;
    if (RetryOnInterrupt([&] { return flock(Fd, exclusive ? LOCK_EX : LOCK_SH); }) != 0) {
        close(Fd);
        Fd = -1;
    }
}

THiveFile::TLock::~TLock()
{
    if (Fd >= 0)
        close(Fd);    // closing the last descriptor releases the lock
}

THiveFile::THiveFile(fs::path file) : File(std::move(file)) {}

THiveFile::TLock THiveFile::LockShared() const
{
    return TLock(File.parent_path(), false);
}

THiveFile::TLock THiveFile::LockExclusive() const
{
    CreateFolders(File.parent_path());
    return TLock(File.parent_path(), true);
}

THiveSnapshot THiveFile::Read() const
{
    THiveSnapshot snapshot;
    const int fd = open(File.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT) {
            snapshot.State = THiveState::hsUnreadable;
            snapshot.Problem = std::strerror(errno);
        }
        return snapshot;
    }
    std::string bytes;
    char chunk[ReadChunk];
    for (;;) {
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            snapshot.State = THiveState::hsUnreadable;
            snapshot.Problem = std::strerror(errno);
            close(fd);
            return snapshot;
        }
        if (got == 0)
            break;
        bytes.append(chunk, static_cast<size_t>(got));
    }
    close(fd);
    snapshot.Bytes = bytes;
    // An empty file (made by hand, say) holds nothing that could be lost.
    if (bytes.empty()) {
        snapshot.State = THiveState::hsParsed;
        return snapshot;
    }
    try {
        snapshot.Hive = ParseHive(bytes);
        snapshot.State = THiveState::hsParsed;
    } catch (const EHiveFormatError& error) {
        snapshot.State = THiveState::hsDamaged;
        snapshot.Problem = error.what();
    }
    return snapshot;
}

fs::path THiveFile::Target() const
{
    fs::path target = File;
    std::error_code error;
    for (int hop = 0; hop < MaxLinkHops && fs::is_symlink(target, error); ++hop) {
        const fs::path next = fs::read_symlink(target, error);
        if (error)
            break;
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return target;
}

std::string THiveFile::TemporaryPrefix(const fs::path& target)
{
    return target.filename().string() + TemporaryMark;
}

void THiveFile::RemoveStaleTemporaries(const fs::path& target)
{
    std::error_code error;
    const std::string prefix = TemporaryPrefix(target);
    for (const fs::directory_entry& entry : fs::directory_iterator(target.parent_path(), error))
        if (entry.path().filename().string().starts_with(prefix))
            fs::remove(entry.path(), error);
}

bool THiveFile::Write(std::string_view bytes, const TLock& lock) const
{
    // The new text goes next to the file it replaces, so the rename stays
    // within one file system and a link to it stays a link.
    const fs::path target = Target();
    const fs::path folder = target.parent_path();
    if (!CreateFolders(folder))
        return false;
    // The rename below would get past a file the user made read-only.
    if (access(target.c_str(), F_OK) == 0 && access(target.c_str(), W_OK) != 0)
        return false;
    if (lock.Held())
        RemoveStaleTemporaries(target);
    std::string temporary = (folder / (TemporaryPrefix(target) + "XXXXXX")).string();
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    // Keep the permissions the user gave the old file.
    struct stat old {};
    const mode_t mode = stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : NewFileMode;
    bool written = WriteAll(fd, bytes) && fchmod(fd, mode) == 0 && fsync(fd) == 0;
    written = (close(fd) == 0) && written;
    if (written && rename(temporary.c_str(), target.c_str()) == 0)
        return SyncFolder(folder);
    unlink(temporary.c_str());
    return false;
}

fs::path THiveFile::AsideStem() const
{
    return Target().string() + DamagedMark;
}

fs::path THiveFile::MoveAside() const
{
    const fs::path target = Target();
    const std::string base = AsideStem().string() + TimeStamp();
    for (int attempt = 0; attempt < MaxAsideAttempts; ++attempt) {
        const fs::path aside = attempt == 0 ? fs::path(base) : fs::path(base + "-" + std::to_string(attempt + 1));
        // Never replaces a file that is already there, not even an older
        // damaged one.
        if (renameat2(AT_FDCWD, target.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE) == 0) {
            SyncFolder(target.parent_path());
            return aside;
        }
        if (errno != EEXIST)
            return {};
    }
    return {};
}

fs::path DefaultHivePath()
{
    return XdgConfigDir() / HiveFileName;
}
