// Arrow keys, window resizing and the spin animation.
//
//   Up / Down     camera towards the top / towards and below the horizon
//   Left / Right  camera clockwise / counter-clockwise about the z axis
#pragma once

// The arrow keys' codes: GLUT's special-key codes.
constexpr int arrowKeyLeft = 100;
constexpr int arrowKeyUp = 101;
constexpr int arrowKeyRight = 102;
constexpr int arrowKeyDown = 103;

// Turns the camera for an arrow key; false for any other special key.
bool turnCamera(int key);

// Stores width / height in aspectRatio.
void setAspectRatio(int width, int height);

// Advances the spin by one step while animating; false when it is off.
bool advanceSpin();

// GLUT callbacks built on the three above.
void specialKey(int key, int x, int y);
void reshape(int width, int height);
void idle();
