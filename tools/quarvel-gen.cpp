// quarvel-gen: writes example surfaces in quarvel's mesh data format.
//
//   quarvel-gen KIND [ROWS COLS] > file.mesh
//
// KIND is one of:
//   wave     ripples spreading from the centre over a square
//   saddle   the hyperbolic paraboloid z = x^2 - y^2
//   tube     an open-ended cylinder, closed around its axis (seam rows equal)
//   torus    a ring, closed around both of its circles
//   terrain  a hilly field made of a few smooth bumps and a gentle tilt
//   flat     the plane z = 0, points (i, j, 0): handy for checking pictures
//
// Points are written column by column, the row index varying fastest, as
// the format requires.  The output is the same for the same arguments.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

struct Point {
    double x, y, z;
};

// u and v run over [0, 1] along the rows and the columns.
using Surface = Point (*)(double u, double v);

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

struct Kind {
    const char *name;
    Surface surface;
    int rows, cols;  // default size
    const char *description;
};

static const Kind kinds[] = {
    {"wave", wave, 41, 41, "ripples spreading from the centre"},
    {"saddle", saddle, 21, 21, "saddle z = x^2 - y^2"},
    {"tube", tube, 33, 12, "cylinder about the z axis, closed seam"},
    {"torus", torus, 49, 25, "torus, closed around both circles"},
    {"terrain", terrain, 60, 60, "hilly terrain-like field"},
    {"flat", nullptr, 4, 6, "flat grid z = 0, points (row, column, 0)"},
};

static int usage()
{
    std::fputs("usage: quarvel-gen KIND [ROWS COLS]\nkinds:", stderr);
    for (const Kind &k : kinds) {
        std::fprintf(stderr, " %s", k.name);
    }
    std::fputs("\n", stderr);
    return 2;
}

static bool parseCount(const char *text, int *value)
{
    char *end = nullptr;
    long n = std::strtol(text, &end, 10);
    if (*text == '\0' || *end != '\0' || n < 1 || n > 100000) {
        return false;
    }
    *value = static_cast<int>(n);
    return true;
}

int main(int argc, char **argv)
{
    if (argc != 2 && argc != 4) {
        return usage();
    }
    const Kind *kind = nullptr;
    for (const Kind &k : kinds) {
        if (std::strcmp(argv[1], k.name) == 0) {
            kind = &k;
        }
    }
    if (!kind) {
        return usage();
    }
    int rows = kind->rows, cols = kind->cols;
    if (argc == 4 && (!parseCount(argv[2], &rows) || !parseCount(argv[3], &cols))) {
        return usage();
    }

    std::printf("# %s, %d rows x %d columns (made by quarvel-gen %s)\n", kind->description, rows,
                cols, kind->name);
    std::printf("%d * %d\n", rows, cols);
    for (int j = 0; j < cols; ++j) {
        for (int i = 0; i < rows; ++i) {
            Point p = {static_cast<double>(i), static_cast<double>(j), 0.0};
            if (kind->surface) {
                double u = rows > 1 ? static_cast<double>(i) / (rows - 1) : 0.0;
                double v = cols > 1 ? static_cast<double>(j) / (cols - 1) : 0.0;
                p = kind->surface(u, v);
            }
            std::printf("%.9g %.9g %.9g\n", p.x, p.y, p.z);
        }
    }
    return std::ferror(stdout) ? 1 : 0;
}
