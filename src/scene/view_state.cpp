#include "scene/view_state.h"

#include <cmath>

static constexpr double degrees(double d) { return d * M_PI / 180.0; }

const ViewState initialViewState = {
    14.0,           // eyeDistance
    degrees(70.0),  // viewTheta
    degrees(20.0),  // viewPhi
    degrees(2.0),   // angleStep
    0.0f,           // spinAngle
    1.0f,           // spinStep
    1.0f,           // scale
    1.0f,           // zScale
    1,              // smoothShading
    0,              // animate
    1,              // showMesh
    0,              // wireFrame
    1,              // showAxis
    1,              // light1On
    1,              // light2On
    0,              // clipping
    0,              // reverseSurface
};
