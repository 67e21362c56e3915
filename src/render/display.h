// One frame: projection, camera, lights, clip plane, model and axes.
#pragma once

#include "mesh/mesh.h"
#include "scene/view_state.h"

// The cut-away plane, fixed in the world: keeps x + z <= 0.3.
extern const double clipPlane[4];

// Draws one frame of mesh (none: the axes alone) as view sets it up, for a
// window of that aspect ratio (width / height), into the current buffer
// without showing it.  The viewer's display callback and the offscreen
// renderer both draw with it.
void renderFrame(const Mesh *mesh, const ViewState &view, double aspect);
