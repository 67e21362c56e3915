// The viewer's one run: its surface, its settings and its window's shape,
// as the GLUT callbacks and the menu share them.  Nothing below ui/ reads
// these; the drawing and the commands take them as parameters.
#pragma once

#include "mesh/mesh.h"
#include "scene/view_state.h"

// The one surface of the run: set by start-up, never freed.
extern Mesh *theMesh;

// The one settings record, statically initialised, never saved.
extern ViewState viewState;

// Window width / height; set by reshape before the first frame.
extern float aspectRatio;

// Reverses the global Mesh when reverseSurface is set, recomputes its
// normals and sets scale to fit it (start-up and the "r" command).
void prepareMesh(Mesh &mesh);
