#include "mesh/mesh.h"

#include <cstdlib>

Mesh *theMesh = nullptr;

void freeMesh(Mesh *mesh)
{
    for (int i = 0; i < mesh->rows; ++i) {
        std::free(mesh->points[i]);
        std::free(mesh->normals[i]);
    }
    std::free(mesh->points);
    std::free(mesh->normals);
    std::free(mesh);
}
