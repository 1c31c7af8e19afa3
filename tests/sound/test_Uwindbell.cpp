#include "sound/Uwindbell.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/MidiOut.h"
#include "platform/MidiRecorder.h"
#include "platform/Random.h"
#include "settings/TBallSettings.h"

namespace {

constexpr uint32_t ProgramChange4 = 0xC0 | 4 << 8;
constexpr uint32_t Modulation80 = 0xB0 | 1 << 8 | 80 << 16;

uint32_t NoteOn(uint32_t note) { return 0x90 | note << 8 | 127u << 16; }

class WindBellTest : public testing::Test {
protected:
    void SetUp() override
    {
        BallSettings.SoundType = 4;
        RandSeed(12345);
    }
    void TearDown() override { BallSettings.SoundType = 4; }

    // The notes a collision of `first` and `second` plays over many rings.
    std::set<uint32_t> NotesOf(int32_t first, int32_t second, int rings = 200)
    {
        TWindBell bell;
        const size_t before = Recorder.Messages().size();
        for (int i = 0; i < rings; ++i)
            bell.Ring(first, second);
        const auto messages = Recorder.Messages();
        EXPECT_EQ(messages.size() - before, static_cast<size_t>(rings));
        return {messages.begin() + static_cast<std::ptrdiff_t>(before), messages.end()};
    }

    TMidiRecorder Recorder;
};

TEST_F(WindBellTest, ConstructionSelectsInstrumentAndModulationThenWaits)
{
    {
        TWindBell bell;
        EXPECT_TRUE(bell.Enabled);
        EXPECT_NE(bell.MidiOut, 0u);
        EXPECT_EQ(bell.LastMsg, Modulation80);
        EXPECT_EQ(Recorder.Messages(), (std::vector<uint32_t>{ProgramChange4, Modulation80}));

        bell.Ring(3, 3);
        EXPECT_EQ(bell.LastMsg, NoteOn(65));
        EXPECT_EQ(Recorder.Messages(), (std::vector<uint32_t>{ProgramChange4, Modulation80, NoteOn(65)}));
        EXPECT_EQ(Recorder.Closes(), 0);
    }
    // No note-off on the way out either: the device is just closed.
    EXPECT_EQ(Recorder.Messages().size(), 3u);
    EXPECT_EQ(Recorder.Opens(), 1);
    EXPECT_EQ(Recorder.Closes(), 1);
}

TEST_F(WindBellTest, InstrumentComesFromSoundTypeAndOutOfRangeFallsBackTo4)
{
    for (const auto& [soundType, program] : {std::pair{0, 0u}, {127, 127u}, {52, 52u}, {128, 4u}, {-1, 4u}, {1000, 4u}}) {
        BallSettings.SoundType = soundType;
        TMidiRecorder recorder;
        TWindBell bell;
        ASSERT_FALSE(recorder.Messages().empty());
        EXPECT_EQ(recorder.Messages().front(), 0xC0 | program << 8) << "SoundType " << soundType;
    }
}

TEST_F(WindBellTest, BubbleNumbersFoldIntoTheFifteenNotes)
{
    EXPECT_EQ(NotesOf(3, 20), (std::set<uint32_t>{NoteOn(65), NoteOn(72)}));
    EXPECT_EQ(NotesOf(16, 16), (std::set<uint32_t>{NoteOn(62)}));
    EXPECT_EQ(NotesOf(30, 30), (std::set<uint32_t>{NoteOn(60)}));
    EXPECT_EQ(NotesOf(100, 100), (std::set<uint32_t>{NoteOn(84)}));
    EXPECT_EQ(NotesOf(15, 29), (std::set<uint32_t>{NoteOn(94)}));
    EXPECT_EQ(NotesOf(1, 31), (std::set<uint32_t>{NoteOn(60), NoteOn(62)}));
}

TEST_F(WindBellTest, EveryBubbleNumberPlaysAPentatonicNote)
{
    const std::set<uint32_t> scale = {60, 62, 65, 67, 70, 72, 74, 77, 79, 82, 84, 86, 89, 91, 94};
    TWindBell bell;
    for (int32_t number = 1; number <= 100; ++number) {
        bell.Ring(number, number);
        const uint32_t msg = bell.LastMsg;
        EXPECT_EQ(msg & 0xFF, 0x90u);
        EXPECT_EQ(msg >> 16, 127u);
        EXPECT_TRUE(scale.contains(msg >> 8 & 0xFF)) << "bubble " << number;
    }
}

TEST_F(WindBellTest, BothBubblesAreChosenAboutEvenly)
{
    TWindBell bell;
    int first = 0;
    constexpr int rings = 2000;
    for (int i = 0; i < rings; ++i) {
        bell.Ring(1, 2);
        first += bell.LastMsg == NoteOn(60) ? 1 : 0;
    }
    EXPECT_GT(first, rings * 2 / 5);
    EXPECT_LT(first, rings * 3 / 5);
}

TEST_F(WindBellTest, NumbersBelowOneRingNothing)
{
    TWindBell bell;
    bell.Ring(0, 0);
    bell.Ring(-16, -3);
    EXPECT_EQ(Recorder.Messages().size(), 2u);
}

TEST_F(WindBellTest, DisabledBellIsSilent)
{
    TWindBell bell;
    bell.Enabled = false;
    bell.Ring(3, 20);
    EXPECT_EQ(Recorder.Messages().size(), 2u);
}

TEST(WindBellWithoutDevice, RunsOnSilently)
{
    TMidiRecorder noDevice(false);
    TWindBell bell;
    EXPECT_TRUE(bell.Enabled);
    EXPECT_EQ(bell.MidiOut, 0u);
    for (int32_t number = 1; number <= 100; ++number)
        bell.Ring(number, 101 - number);
    // The packing still happens; only the sends go nowhere.
    EXPECT_EQ(bell.LastMsg & 0xFF, 0x90u);
    EXPECT_EQ(noDevice.Opens(), 0);
    EXPECT_TRUE(noDevice.Messages().empty());
}

TEST(WindBellLifetime, NoBellOpensNoDevice)
{
    // Start-up creates the chime only when SoundOpen is on; until then the
    // process-wide chime is absent and nothing has touched MIDI output.
    TMidiRecorder recorder;
    EXPECT_EQ(WindBell, nullptr);
    EXPECT_EQ(recorder.Opens(), 0);
    {
        TWindBell bell;
        TWindBell second;
        EXPECT_NE(bell.MidiOut, second.MidiOut);
    }
    EXPECT_EQ(recorder.Opens(), 2);
    EXPECT_EQ(recorder.Closes(), 2);
}

}
