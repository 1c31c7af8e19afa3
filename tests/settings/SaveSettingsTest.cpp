#include "SettingsFixture.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <grp.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

#include "platform/Registry.h"
#include "settings/ListText.h"

namespace {

using TSaveSettings = TSettingsTest;

// The value names of the settings key in the order the hive file holds them.
std::vector<std::string> StoredNames(const std::string& hive)
{
    std::vector<std::string> names;
    const size_t key = hive.find("[HKEY_LOCAL_MACHINE\\software\\Tessaly]");
    size_t pos = hive.find('\n', key) + 1;
    while (pos < hive.size() && hive[pos] == '"') {
        names.push_back(hive.substr(pos + 1, hive.find('"', pos + 1) - pos - 1));
        pos = hive.find('\n', pos) + 1;
    }
    return names;
}

std::string SaveError(const TStoredSettings& values)
{
    try {
        SaveSettings(values);
    } catch (const ERegistryException& error) {
        return error.what();
    }
    return "(no error)";
}

TEST_F(TSaveSettings, WritesInOrderAndDriverOnlyWhenGiven)
{
    SaveSettings(TStoredSettings{});
    const std::vector<std::string> order = {"BallsCount", "BallSize", "ShowShadow", "SoundOpen", "BackPic", "BackType",
                                            "BallPic", "UseMask", "BubbleStyle", "SoundType", "RandomPlay", "BackInterval"};
    EXPECT_EQ(StoredNames(ReadFile(HivePath())), order);

    std::filesystem::remove(HivePath());
    TStoredSettings withDriver;
    withDriver.Driver = "GDI+";
    SaveSettings(withDriver);
    std::vector<std::string> driverFirst = order;
    driverFirst.insert(driverFirst.begin(), "Driver");
    EXPECT_EQ(StoredNames(ReadFile(HivePath())), driverFirst);
}

TEST_F(TSaveSettings, WhatIsSavedLoadsBack)
{
    TStoredSettings values;
    values.BallsCount = 0;
    values.BallSize = 2;
    values.ShowShadow = false;
    values.SoundOpen = false;
    values.BackPic = WriteLineText({"/home/用户/图 一.jpg", "", "C:\\old\\b.png"});
    values.BackType = 3;
    values.BallPic = WriteCommaText({"/p/my pic.jpg", "/p/\"q\",r.png"});
    values.UseMask = 1;
    values.BubbleStyle = 2;
    values.SoundType = 127;
    values.RandomPlay = false;
    values.BackInterval = 5;
    values.Driver = "Directx 7.0";
    SaveSettings(values);
    LoadSettings();
    const TBallSettings& s = BallSettings;
    EXPECT_EQ(s.BallsCount, 0);
    EXPECT_EQ(s.SizeFactor, 0.2f);
    EXPECT_FALSE(s.ShowShadow);
    EXPECT_FALSE(s.SoundOpen);
    EXPECT_EQ(*s.BackPicList, (TStringList{"/home/用户/图 一.jpg", "", "C:\\old\\b.png"}));
    EXPECT_EQ(s.BackType, 3);
    EXPECT_EQ(s.BackPicture, "/home/用户/图 一.jpg");
    EXPECT_EQ(*s.BallPicList, (TStringList{"/p/my pic.jpg", "/p/\"q\",r.png"}));
    EXPECT_EQ(s.UseMask, 1);
    EXPECT_EQ(s.BubbleStyle, 2);
    EXPECT_EQ(s.StyleSize, 140);
    EXPECT_EQ(s.SoundType, 127);
    EXPECT_FALSE(s.RandomPlay);
    EXPECT_EQ(s.BackInterval, 5);
    EXPECT_EQ(s.Driver, "Directx 7.0");
}

TEST_F(TSaveSettings, KeepsEverythingItDoesNotWrite)
{
    WriteHive("REGEDIT4\n\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n\"ScreenSaveUsePassword\"=dword:00000001\n\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly]\n\"Driver\"=\"GDI+\"\n\"Extra\"=hex:01,02\n@=\"default\"\n\n"
              "[HKEY_LOCAL_MACHINE\\software\\Tessaly\\Sub]\n\"x\"=dword:00000001\n");
    SaveSettings(TStoredSettings{});
    const std::string hive = ReadFile(HivePath());
    for (const char* kept : {"[HKEY_CURRENT_USER\\Control Panel\\Desktop]", "\"ScreenSaveUsePassword\"=dword:00000001",
                             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly]", "\"Driver\"=\"GDI+\"", "\"Extra\"=hex:01,02",
                             "@=\"default\"", "[HKEY_LOCAL_MACHINE\\software\\Tessaly\\Sub]"})
        EXPECT_NE(hive.find(kept), std::string::npos) << kept << "\n" << hive;
    // The key is not duplicated under the other spelling.
    EXPECT_EQ(hive.find("[HKEY_LOCAL_MACHINE\\software\\Tessaly]"), std::string::npos) << hive;
}

// A file kept by hand behind a link (a set of dotfiles): reading it and
// saving change nothing but the values of our key.
TEST_F(TSaveSettings, HandKeptHiveBehindALinkKeepsItsShape)
{
    const std::filesystem::path dotfiles = Home / "dotfiles";
    std::filesystem::create_directories(dotfiles);
    std::filesystem::create_directories(HivePath().parent_path());
    std::filesystem::create_symlink("../dotfiles/tessaly.reg", HivePath());
    const std::string head = "REGEDIT4\r\n; kept by hand\r\n\r\n[HKEY_CURRENT_USER\\Software\\Other]\r\n"
                             "\"Colour\"=\"blue\"\r\n\r\n[HKEY_LOCAL_MACHINE\\software\\Tessaly]\r\n; fewer on the laptop\r\n";
    const std::string tail = "\r\n; the end\r\n";
    WriteHive(head + "\"BallsCount\"=dword:00000005\r\n" + tail);
    const std::string before = ReadFile(dotfiles / "tessaly.reg");

    LoadSettings();
    EXPECT_EQ(BallSettings.BallsCount, 5);
    EXPECT_EQ(ReadFile(dotfiles / "tessaly.reg"), before);

    TStoredSettings values;
    values.BallsCount = 7;
    SaveSettings(values);
    EXPECT_TRUE(std::filesystem::is_symlink(HivePath()));
    EXPECT_EQ(ReadFile(dotfiles / "tessaly.reg"),
              head + "\"BallsCount\"=dword:00000007\r\n\"BallSize\"=dword:0000000a\r\n\"ShowShadow\"=dword:00000001\r\n"
                     "\"SoundOpen\"=dword:00000001\r\n\"BackPic\"=\"\"\r\n\"BackType\"=dword:00000001\r\n\"BallPic\"=\"\"\r\n"
                     "\"UseMask\"=dword:00000000\r\n\"BubbleStyle\"=dword:00000000\r\n\"SoundType\"=dword:00000004\r\n"
                     "\"RandomPlay\"=dword:00000001\r\n\"BackInterval\"=dword:0000000a\r\n" + tail);
    // Nothing is left beside the file it replaced.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dotfiles), std::filesystem::directory_iterator()), 1);

    // A damaged file behind the link is kept aside next to itself; the link stays.
    std::ofstream(dotfiles / "tessaly.reg", std::ios::binary) << "spoilt";
    testing::internal::CaptureStderr();
    SaveSettings(values);
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(std::filesystem::is_symlink(HivePath()));
    size_t aside = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dotfiles))
        aside += entry.path().filename().string().starts_with("tessaly.reg.damaged-");
    EXPECT_EQ(aside, 1u);
    LoadSettings();
    EXPECT_EQ(BallSettings.BallsCount, 7);
}

TEST_F(TSaveSettings, DamagedHiveIsKeptAsideThenReplaced)
{
    const std::string damaged = "not a registry file\n";
    WriteHive(damaged);
    testing::internal::CaptureStderr();
    SaveSettings(TStoredSettings{});
    testing::internal::GetCapturedStderr();
    std::vector<std::filesystem::path> aside;
    for (const auto& entry : std::filesystem::directory_iterator(HivePath().parent_path()))
        if (entry.path().filename().string().starts_with("registry.reg.damaged-"))
            aside.push_back(entry.path());
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(ReadFile(aside.front()), damaged);
    LoadSettings();
    EXPECT_EQ(BallSettings.BallsCount, 10);
    EXPECT_NE(ReadFile(HivePath()).find("\"BackInterval\"=dword:0000000a"), std::string::npos);

    // A second damaged file does not replace the first one kept aside.
    WriteHive(damaged + "again");
    testing::internal::CaptureStderr();
    SaveSettings(TStoredSettings{});
    testing::internal::GetCapturedStderr();
    size_t kept = 0;
    for (const auto& entry : std::filesystem::directory_iterator(HivePath().parent_path()))
        kept += entry.path().filename().string().starts_with("registry.reg.damaged-");
    EXPECT_EQ(kept, 2u);
}

TEST_F(TSaveSettings, FolderThatCannotBeMadeFailsBeforeWriting)
{
    std::ofstream(Home / "plain") << "x";
    setenv("XDG_CONFIG_HOME", (Home / "plain").c_str(), 1);
    EXPECT_EQ(SaveError(TStoredSettings{}), "Failed to create key software\\Tessaly");
}

// Runs SaveSettings in a child that may not write files larger than a few
// bytes (a limit that binds root too) and returns the child's error text.
std::string SaveErrorWithoutSpace(const TStoredSettings& values)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return "(no pipe)";
    const pid_t child = fork();
    if (child == 0) {
        close(pipeFds[0]);
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{16, 16};
        setrlimit(RLIMIT_FSIZE, &limit);
        const std::string message = SaveError(values);
        (void)!write(pipeFds[1], message.data(), message.size());
        _exit(0);
    }
    close(pipeFds[1]);
    std::string message;
    char buffer[256];
    ssize_t got;
    while ((got = read(pipeFds[0], buffer, sizeof buffer)) > 0)
        message.append(buffer, static_cast<size_t>(got));
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return message;
}

TEST_F(TSaveSettings, ValueThatCannotBeWrittenNamesItselfAndOldFileStays)
{
    const std::string before = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\software\\Tessaly]\n\"BallsCount\"=dword:00000007\n";
    WriteHive(before);
    EXPECT_EQ(SaveErrorWithoutSpace(TStoredSettings{}), "Failed to set data for 'BallsCount'");
    TStoredSettings withDriver;
    withDriver.Driver = "GDI+";
    EXPECT_EQ(SaveErrorWithoutSpace(withDriver), "Failed to set data for 'Driver'");
    EXPECT_EQ(ReadFile(HivePath()), before);
    // No half-written temporaries are left behind either.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(HivePath().parent_path()),
                            std::filesystem::directory_iterator()), 1);
}

// Root writes through any permission, so as root the check runs in a child
// process that has become the unprivileged user "nobody" (a throwaway
// identity: it owns nothing else here), with the test's folder handed to it.
// The child's verdict comes back as its exit status.
int AsUnprivilegedUser(const std::filesystem::path& folder, const std::function<bool()>& check)
{
    constexpr uid_t Nobody = 65534;
    if (geteuid() != 0)
        return check() ? 0 : 1;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        EXPECT_EQ(lchown(entry.path().c_str(), Nobody, Nobody), 0);
    EXPECT_EQ(chown(folder.c_str(), Nobody, Nobody), 0);
    const pid_t child = fork();
    if (child == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(Nobody) != 0 || setuid(Nobody) != 0)
            _exit(2);
        _exit(check() ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 3;
}

TEST_F(TSaveSettings, ReadOnlyHiveIsRespected)
{
    const std::string before = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\software\\Tessaly]\n";
    WriteHive(before);
    std::filesystem::permissions(HivePath(), std::filesystem::perms::owner_read);
    const int verdict = AsUnprivilegedUser(HivePath().parent_path().parent_path(), [&] {
        const std::string error = SaveError(TStoredSettings{});
        const std::string after = ReadFile(HivePath());
        if (error != "Failed to set data for 'BallsCount'")
            std::fprintf(stderr, "saving gave: %s\n", error.c_str());
        if (after != before)
            std::fprintf(stderr, "the read-only hive was changed\n");
        return error == "Failed to set data for 'BallsCount'" && after == before;
    });
    EXPECT_NE(verdict, 2) << "cannot become an unprivileged user";
    EXPECT_EQ(verdict, 0);
}

}
