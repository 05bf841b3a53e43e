// Start-up calibration of the outline rasteriser's line output: test lines are drawn into a render
// target with every combination of span offsets, read back, and the combination that lights
// exactly the intended pixels is kept, so text lines land on whole pixels whatever the driver's
// pixel-centre rule.
#pragma once
#include "render/vxminivecdraw.h"

// Runs the calibration and leaves the chosen offsets (and, after a driver that drew too little, the
// smaller batch) on the rasteriser. True when a combination passed; false when none did (the
// fallback offsets -0.75, -0.75, 0.25 are set) or no render target could be made (offsets kept).
bool RunLineSelfTest(TVxMiniVecDraw& vec);
