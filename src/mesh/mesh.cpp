#include "mesh/mesh.h"

#include <cstdlib>
#include <initializer_list>

void freeMesh(Mesh *mesh)
{
    for (Vec3 **rows : {mesh->points, mesh->normals}) {
        if (rows) {
            for (int i = 0; i < mesh->rows; ++i) {
                std::free(rows[i]);
            }
            std::free(rows);
        }
    }
    std::free(mesh);
}
