// The named example surfaces of quarvel-gen:
//
//   wave     ripples spreading from the centre over a square
//   saddle   the hyperbolic paraboloid z = x^2 - y^2
//   tube     an open-ended cylinder, closed around its axis (seam rows equal)
//   torus    a ring, closed around both of its circles
//   terrain  a hilly field made of a few smooth bumps and a gentle tilt
//   flat     the plane z = 0, points (i, j, 0): handy for checking pictures
//
// Each has its default grid size; the output is the same for the same size.
#include "quarvel-gen/shapes.h"

#include <cmath>

namespace {

struct Point {
    double x, y, z;
};

} // namespace

// u and v run over [0, 1] along the rows and the columns.
using ShapeFunction = Point (*)(double u, double v);

static Point wave(double u, double v)
{
    double x = 2 * u - 1, y = 2 * v - 1;
    double r = std::sqrt(x * x + y * y);
    return {x, y, 0.25 * std::cos(9 * r) * std::exp(-1.5 * r)};
}

static Point saddle(double u, double v)
{
    double x = 2 * u - 1, y = 2 * v - 1;
    return {x, y, 0.6 * (x * x - y * y)};
}

// Rows go counter-clockwise about the z axis; the last row repeats the
// first exactly, so the viewer joins the normals across the seam.
static double turn(double u) { return u >= 1.0 ? 0.0 : 2 * M_PI * u; }

// Radius 1 fills the view; the height stays within reach of the near
// plane, so the front of the tube is never cut open.
static Point tube(double u, double v)
{
    double a = turn(u);
    return {std::cos(a), std::sin(a), 1.6 * v - 0.8};
}

static Point torus(double u, double v)
{
    double a = turn(u), b = turn(v);
    double ring = 0.7 + 0.3 * std::cos(b);
    return {ring * std::cos(a), ring * std::sin(a), 0.3 * std::sin(b)};
}

static Point terrain(double u, double v)
{
    double x = 2 * u - 1, y = 2 * v - 1;
    static const double hills[][4] = {
        // centre x, centre y, height, width
        {-0.4, -0.3, 0.35, 0.30}, {0.5, 0.4, 0.25, 0.25}, {0.2, -0.6, -0.20, 0.20},
        {-0.6, 0.6, 0.15, 0.35},  {0.7, -0.2, 0.10, 0.15},
    };
    double z = 0.05 * x - 0.04 * y;
    for (const auto &h : hills) {
        double dx = x - h[0], dy = y - h[1];
        z += h[2] * std::exp(-(dx * dx + dy * dy) / (h[3] * h[3]));
    }
    z += 0.02 * std::sin(13 * x) * std::cos(11 * y);
    return {x, y, z};
}

static Point flat(double, double) { return {0, 0, 0}; }  // points (i, j, 0): see makeShape

struct Shape {
    const char *name;
    ShapeFunction function;
    long rows, cols;  // default size
    const char *description;
};

static const Shape shapes[] = {
    {"wave", wave, 41, 41, "ripples spreading from the centre"},
    {"saddle", saddle, 21, 21, "saddle z = x^2 - y^2"},
    {"tube", tube, 33, 12, "cylinder about the z axis, closed seam"},
    {"torus", torus, 49, 25, "torus, closed around both circles"},
    {"terrain", terrain, 60, 60, "hilly terrain-like field"},
    {"flat", flat, 4, 6, "flat grid z = 0, points (row, column, 0)"},
};

bool isShapeName(const std::string &name)
{
    for (const Shape &shape : shapes) {
        if (name == shape.name) {
            return true;
        }
    }
    return false;
}

std::string shapeNames()
{
    std::string names;
    for (const Shape &shape : shapes) {
        names += names.empty() ? shape.name : std::string(", ") + shape.name;
    }
    return names;
}

void makeShape(const std::string &name, long rows, long cols, Grid &s)
{
    const Shape *shape = &shapes[0];
    while (name != shape->name) {
        ++shape;
    }
    if (rows == 0) {
        rows = shape->rows;
        cols = shape->cols;
    }
    s.rows = rows;
    s.cols = cols;
    s.x.resize(rows * cols);
    s.y.resize(rows * cols);
    s.z.resize(rows * cols);
    for (long j = 0; j < cols; ++j) {
        for (long i = 0; i < rows; ++i) {
            Point p = {static_cast<double>(i), static_cast<double>(j), 0.0};
            if (shape->function != flat) {
                double u = rows > 1 ? static_cast<double>(i) / double(rows - 1) : 0.0;
                double v = cols > 1 ? static_cast<double>(j) / double(cols - 1) : 0.0;
                p = shape->function(u, v);
            }
            long k = i + j * rows;
            s.x[k] = p.x;
            s.y[k] = p.y;
            s.z[k] = p.z;
        }
    }
    s.comment = std::string(shape->description) + ", " + std::to_string(rows) + " rows x " +
                std::to_string(cols) + " columns (made by quarvel-gen " + shape->name + ")";
}
