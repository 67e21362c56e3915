// What the arrow keys and the spin do to the view settings, without GLUT,
// so the offscreen renderer changes the view with the same code.
//
//   Up / Down     camera towards the top / towards and below the horizon
//   Left / Right  camera clockwise / counter-clockwise about the z axis
#pragma once

#include "scene/view_state.h"

// The arrow keys' codes: GLUT's special-key codes.
constexpr int arrowKeyLeft = 100;
constexpr int arrowKeyUp = 101;
constexpr int arrowKeyRight = 102;
constexpr int arrowKeyDown = 103;

// Turns the camera of view for an arrow key; false for any other key.
bool turnCamera(ViewState &view, int key);

// Advances view's spin by one step while animating; false when it is off.
bool advanceSpin(ViewState &view);
