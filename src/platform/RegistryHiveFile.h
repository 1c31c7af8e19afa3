#pragma once
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/RegistryHive.h"

enum class THiveState {
    hsMissing,      // no file yet: an empty hive
    hsParsed,
    hsDamaged,      // read, but not a hive
    hsUnreadable    // exists, but cannot be read
};

struct THiveSnapshot {
    THiveState State = THiveState::hsMissing;
    TRegistryHive Hive;
    std::string Bytes;      // the file as read
    std::string Problem;    // why it is damaged or unreadable
};

// The hive file on disk. Every change is a read-modify-write under an
// advisory lock on the folder, and the new text replaces the old file
// atomically: a reader, or a writer killed half-way, sees the old file or
// the new one, never a mixture. A file that is a symbolic link (a set of
// dotfiles, say) is written through to the file it names, and stays a link.
class THiveFile {
public:
    explicit THiveFile(std::filesystem::path file);

    const std::filesystem::path& Path() const { return File; }

    // Holds the folder's lock (shared for reading, exclusive for changing)
    // until it goes out of scope. Taking the lock may fail (no folder, no
    // rights); the caller then proceeds without it or gives up.
    class TLock {
    public:
        TLock(const std::filesystem::path& folder, bool exclusive);
        ~TLock();
        TLock(const TLock&) = delete;
        TLock& operator=(const TLock&) = delete;
        bool Held() const { return Fd >= 0; }

    private:
        int Fd = -1;
    };

    TLock LockShared() const;
    // Creates the folder when it is missing.
    TLock LockExclusive() const;

    THiveSnapshot Read() const;
    // Replaces the file with `bytes`; false when the folder or the file
    // cannot be written (the old file then stays as it was). Under a held
    // lock it also clears away temporaries of writers that were killed.
    bool Write(std::string_view bytes, const TLock& lock) const;
    // Renames a damaged file beside itself under a name that says so; the
    // new name, or empty when the rename failed.
    std::filesystem::path MoveAside() const;
    // Where a damaged file would be kept by MoveAside now, the time stamp
    // aside.
    std::filesystem::path AsideStem() const;

private:
    std::filesystem::path File;

    // The file that holds the text: the path itself, or where its links lead.
    std::filesystem::path Target() const;
    static std::string TemporaryPrefix(const std::filesystem::path& target);
    static void RemoveStaleTemporaries(const std::filesystem::path& target);
};

// $XDG_CONFIG_HOME/tessaly/registry.reg
std::filesystem::path DefaultHivePath();
