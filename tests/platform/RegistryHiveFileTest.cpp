#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/Registry.h"
#include "platform/RegistryHiveFile.h"

namespace fs = std::filesystem;

namespace {

class TRegistryFileTest : public testing::Test {
protected:
    fs::path Folder;
    fs::path File;

    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "tessaly-hive-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        Folder = fs::path(pattern) / "config" / "tessaly";
        File = Folder / "registry.reg";
        setenv("XDG_CONFIG_HOME", (fs::path(pattern) / "config").c_str(), 1);
    }

    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(Folder.parent_path().parent_path(), ignored);
    }

    // A writer killed early may not even have made the folder.
    size_t FilesInFolder() const
    {
        std::error_code missing;
        return static_cast<size_t>(std::distance(fs::directory_iterator(Folder, missing), fs::directory_iterator()));
    }

    void WriteText(const std::string& text) const
    {
        fs::create_directories(Folder);
        std::ofstream(File, std::ios::binary) << text;
    }
};

TRegistryHive OneValueHive(uint8_t fill, size_t size)
{
    TRegistryHive hive;
    THiveKey& key = hive.AddKey("HKEY_LOCAL_MACHINE\\software\\Tessaly");
    key.SetValue("Marker", RegType::Dword, {fill, 0, 0, 0});
    key.SetValue("Data", RegType::Binary, TRegData(size, fill));
    return hive;
}

TEST_F(TRegistryFileTest, WritesAPrivateFileInAPrivateFolder)
{
    const THiveFile file(File);
    EXPECT_EQ(file.Read().State, THiveState::hsMissing);
    {
        const THiveFile::TLock lock = file.LockExclusive();
        ASSERT_TRUE(lock.Held());
        ASSERT_TRUE(file.Write(FormatHive(OneValueHive(1, 10)), lock));
    }
    const THiveSnapshot snapshot = file.Read();
    EXPECT_EQ(snapshot.State, THiveState::hsParsed);
    EXPECT_EQ(snapshot.Hive, OneValueHive(1, 10));
    EXPECT_EQ(fs::status(File).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::status(Folder).permissions(), fs::perms::owner_all);

    // Permissions the user chose survive the next write.
    fs::permissions(File, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const THiveFile::TLock lock = file.LockExclusive();
    ASSERT_TRUE(file.Write(FormatHive(OneValueHive(2, 10)), lock));
    EXPECT_EQ(fs::status(File).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(TRegistryFileTest, TellsDamagedFromUnreadable)
{
    const THiveFile file(File);
    WriteText("REGEDIT4\n[A]\n\"x\"=what\n");
    THiveSnapshot snapshot = file.Read();
    EXPECT_EQ(snapshot.State, THiveState::hsDamaged);
    EXPECT_EQ(snapshot.Problem, "line 3: unknown kind of value data");

    const fs::path aside = file.MoveAside();
    EXPECT_TRUE(aside.filename().string().starts_with("registry.reg.damaged-")) << aside;
    EXPECT_FALSE(fs::exists(File));
    EXPECT_TRUE(fs::exists(aside));

    WriteText("");
    EXPECT_EQ(file.Read().State, THiveState::hsParsed);
    fs::remove(File);

    fs::create_directory(File);
    EXPECT_EQ(file.Read().State, THiveState::hsUnreadable);
}

// A writer killed at any moment leaves the old file or the new one: the
// child rewrites the hive with alternating contents until it is killed at a
// random moment, and the file must then be one of the two, whole.
TEST_F(TRegistryFileTest, KilledWriterLeavesOldOrNewFile)
{
    constexpr int Rounds = 25;
    constexpr size_t DataSize = 96 * 1024;   // large enough for kills to land inside a write
    const TRegistryHive first = OneValueHive(0x11, DataSize);
    const TRegistryHive second = OneValueHive(0x22, DataSize);
    const THiveFile file(File);
    std::mt19937 random(20261208);
    int interrupted = 0;
    for (int round = 0; round < Rounds; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (bool odd = false;; odd = !odd) {
                const THiveFile::TLock lock = file.LockExclusive();
                file.Write(FormatHive(odd ? second : first), lock);
            }
        }
        usleep(std::uniform_int_distribution<useconds_t>(0, 30000)(random));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        interrupted += FilesInFolder() > 1;
        const THiveSnapshot snapshot = file.Read();
        if (snapshot.State == THiveState::hsMissing)
            continue;   // killed before its first rename
        ASSERT_EQ(snapshot.State, THiveState::hsParsed) << "round " << round << ": " << snapshot.Problem;
        EXPECT_TRUE(snapshot.Hive == first || snapshot.Hive == second) << "round " << round;
    }
    std::cout << "writes interrupted with a temporary left behind: " << interrupted << " of " << Rounds << "\n";
    // The next writer clears away what the killed ones left.
    const THiveFile::TLock lock = file.LockExclusive();
    ASSERT_TRUE(file.Write(FormatHive(first), lock));
    EXPECT_EQ(FilesInFolder(), 1u);
}

// Two programs saving at the same time: each read-modify-write holds the
// lock, so neither loses the other's values.
TEST_F(TRegistryFileTest, ConcurrentWritersLoseNothing)
{
    constexpr int ValuesPerWriter = 12;
    pid_t children[2];
    for (int writer = 0; writer < 2; ++writer) {
        children[writer] = fork();
        ASSERT_GE(children[writer], 0);
        if (children[writer] == 0) {
            TRegistry registry;
            if (!registry.OpenKey("software\\Tessaly", true))
                _exit(1);
            try {
                for (int i = 0; i < ValuesPerWriter; ++i)
                    registry.WriteInteger(std::string(1, char('a' + writer)) + std::to_string(i), i);
            } catch (const ERegistryException&) {
                _exit(2);
            }
            _exit(0);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const THiveSnapshot snapshot = THiveFile(File).Read();
    ASSERT_EQ(snapshot.State, THiveState::hsParsed);
    EXPECT_EQ(snapshot.Hive.Keys.size(), 1u);
    EXPECT_EQ(snapshot.Hive.Keys.front().Values.size(), 2u * ValuesPerWriter);
}

TEST_F(TRegistryFileTest, DefaultHiveFollowsTheConfigFolder)
{
    EXPECT_EQ(DefaultHivePath(), File);
}

}
