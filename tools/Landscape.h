#pragma once
#include "ImageWriter.h"

// The built-in background: an evening lake among mountains, 544 × 395.
TCanvas DrawLandscape();
