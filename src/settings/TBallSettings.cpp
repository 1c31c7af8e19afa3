#include "settings/TBallSettings.h"

TBallSettings BallSettings;
