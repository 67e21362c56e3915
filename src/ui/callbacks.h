// The viewer's GLUT side: the callbacks and the menu, all working on the
// one run's globals (ui/view_state.h).  Nothing outside the viewer links
// these.
#pragma once

// The display callback: one frame of the global Mesh and settings, then
// shown.
void display();

// The menu callback, also used for keys: applies a command, saves or quits
// as asked and requests a redisplay.
void handleCommand(int code);

// The keyboard callback.
void keyboard(unsigned char key, int x, int y);

// Builds the pop-up menu and attaches it to the right mouse button.
void buildMenus();

// Arrow keys, window resizing and the idle spin.
void specialKey(int key, int x, int y);
void reshape(int width, int height);
void idle();

// Stores width / height in aspectRatio.
void setAspectRatio(int width, int height);

// Saves the whole window, drawn afresh, to fileName and reports on
// standard output.  A save that fails (no memory, a file that cannot be
// opened or written) is reported on standard error and keeps the file that
// was there, except where it has to be written in place.
void saveImage(const char *fileName);
