// Sends the outline rasteriser's coloured spans to the drawing context as a line list, for text
// drawn straight onto the display rather than into a locked pixel target.
#pragma once
#include "render/vxminivecdraw.h"

// A line sink that draws each vertex pair as one untextured, alpha-blended line of the current
// 2D block; it draws nothing outside a 2D block. Its preparer keeps a recorded output as the
// display's vertices, drawn again in one call.
TVxMiniVecDraw::LineSink MakeDrawContextLineSink();
// Installs that sink on the rasteriser.
void ConnectLineSink(TVxMiniVecDraw& draw);
