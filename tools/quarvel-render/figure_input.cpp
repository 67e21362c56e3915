#include "quarvel-render/figure_input.h"

#include <cmath>
#include <memory>

#include "base/failure.h"
#include "common/quote.h"
#include "quarvel-render/mesh_input.h"

FigureData figureDataOf(const Mesh &mesh)
{
    FigureData data;
    data.rows = mesh.rows;
    data.cols = mesh.cols;
    const size_t count = static_cast<size_t>(mesh.rows) * static_cast<size_t>(mesh.cols);
    data.x.reserve(count);
    data.y.reserve(count);
    data.z.reserve(count);
    for (int r = 0; r < mesh.rows; ++r) {
        for (int c = 0; c < mesh.cols; ++c) {
            const Vec3 &p = mesh.points[r][c];
            data.x.push_back(p.x);
            data.y.push_back(p.y);
            data.z.push_back(p.z);
        }
    }
    return data;
}

FigureData readFigureData(const std::string &path)
{
    struct Free {
        void operator()(Mesh *m) const { freeMesh(m); }
    };
    float scale = 1.0f;
    std::unique_ptr<Mesh, Free> mesh(readMeshFile(path, false, &scale));
    FigureData data = figureDataOf(*mesh);
    for (size_t i = 0; i < data.z.size(); ++i) {
        if (std::isfinite(data.x[i]) && std::isfinite(data.y[i]) && std::isfinite(data.z[i])) {
            return data;
        }
    }
    throw Failure((path == "-" ? std::string("standard input") : printable(path)) +
                  ": no point has a finite x, y and z: nothing to draw");
}
