// One frame: projection, camera, lights, clip plane, model and axes.
#pragma once

// The cut-away plane, fixed in the world: keeps x + z <= 0.3.
extern const double clipPlane[4];

// Draws the current frame into the back buffer without showing it.
void renderFrame();

// The GLUT display callback: renderFrame, then swap buffers.
void display();
