#include "mesh/mesh.h"

Mesh *theMesh = nullptr;
