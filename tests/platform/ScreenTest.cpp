#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/Screen.h"

namespace {

// Sets DISPLAY for one test and puts the old value back.
class DisplayVariable {
public:
    explicit DisplayVariable(const char* value)
    {
        if (const char* old = std::getenv("DISPLAY"))
            Old = old;
        if (value)
            setenv("DISPLAY", value, 1);
        else
            unsetenv("DISPLAY");
    }
    ~DisplayVariable()
    {
        if (Old)
            setenv("DISPLAY", Old->c_str(), 1);
        else
            unsetenv("DISPLAY");
    }

private:
    std::optional<std::string> Old;
};

TEST(Screen, WithoutADisplayBothQueriesFailClearly)
{
    {
        DisplayVariable none(nullptr);
        EXPECT_THROW(PrimaryScreenSize(), EScreenError);
        EXPECT_THROW(WindowClientSize(1), EScreenError);
        EXPECT_THROW(MonitorSizeAround(1), EScreenError);
    }
    DisplayVariable unreachable(":9917");
    try {
        PrimaryScreenSize();
        ADD_FAILURE() << "no error";
    } catch (const EScreenError& error) {
        EXPECT_NE(std::string(error.what()).find(":9917"), std::string::npos) << error.what();
    }
}

}
