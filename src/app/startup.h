// Start-up: command line, mesh input, window, callbacks, main loop.
//
//   quarvel [-r] mesh-data
//
// Without a file name the mesh data is read from standard input.  Every
// error of the command line or the data ends the process with status 1
// before any window opens.
#pragma once

#include <cstdio>

// Scans the options: "-r" sets reverseSurface, any other argument that
// starts with '-' before the file name prints the usage text and ends the
// process.  Returns the file name, or nullptr for standard input.
const char *parseCommandLine(int argc, char **argv);

// Opens the named mesh file for reading, or returns standard input for
// nullptr.  A file that cannot be opened ends the process.
FILE *openMeshInput(const char *fileName);

// Starts GLUT and creates the viewer's window (500 x 500 at (0, 0), titled
// with the command name) with its one-time OpenGL state.
void openWindow(int *argc, char **argv);

// The whole run; does not return.
[[noreturn]] void runViewer(int argc, char **argv);
