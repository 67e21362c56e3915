#include "ui/view_state.h"

#include "mesh/prepare.h"

Mesh *theMesh = nullptr;

ViewState viewState = initialViewState;

float aspectRatio = 0.0f;

void prepareMesh(Mesh &mesh)
{
    viewState.scale = prepareSurface(mesh, viewState.reverseSurface != 0);
}
