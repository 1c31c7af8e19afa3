#pragma once
#include "host/SaverTypes.h"
#include "scene/UBallLink.h"

// The routines the host calls back: build the bubble scene inside the host
// window, tear it down, and run the settings dialog.
void CreateScene(THostWindow window, TSaverMode mode);
void DestroyScene(THostWindow window, TSaverMode mode);
void ShowSettings(THostWindow window);

// 78 pixels at size factor 1, rounded halves to even.
int32_t BallRadiusFor(float sizeFactor);
