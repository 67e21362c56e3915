// One-character commands, shared by the keyboard and the pop-up menu.
//
//   *  faster spin and larger arrow-key steps   /  slower and smaller
//   +  model larger      - ;  model smaller     z / Z  relief steeper / flatter
//   g  relief, grid and shaded mode back to normal
//   1 2  light 1 / light 2 on or off            C  clip plane on or off
//   a  axes    c  spin    s  smooth/flat        f  grid over the surface
//   w  wire frame         u / d  zoom in / out  r  reverse the surface
//   B  save the window as quarvel.bmp           q  quit
#pragma once

#include "mesh/mesh.h"
#include "scene/view_state.h"

// What a command asks of the caller after it has changed the settings.
enum class CommandAction {
    None,       // not a command: nothing changed, no redraw
    Redraw,     // settings changed: redraw
    SaveImage,  // save the window, then redraw
    Quit,       // end the process with status 0
};

// Name of the file that the save command writes.
constexpr const char *imageFileName = "quarvel.bmp";

// Applies the effect of a command code to view and mesh (which may be
// null) and says what is left to do; touches neither GL nor GLUT.  The
// viewer's menu and keys call it with the global settings and Mesh.
CommandAction applyCommand(ViewState &view, Mesh *mesh, int code);
