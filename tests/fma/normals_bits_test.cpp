// Normals and scale from code compiled with fused multiply-add at hand
// (-mfma): they must keep the bits of a build without it, as the build
// forbids contracting a * b + c into one rounding.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "mesh/prepare.h"
#include "ui/view_state.h"

namespace {

// FNV-1a over the bytes of every normal, then of the scale.
uint64_t hashOf(const Mesh &mesh, float scale)
{
    uint64_t hash = 14695981039346656037ull;
    auto add = [&](const void *data, size_t size) {
        for (size_t k = 0; k < size; ++k) {
            hash = (hash ^ static_cast<const unsigned char *>(data)[k]) * 1099511628211ull;
        }
    };
    for (int i = 0; i < mesh.rows; ++i) add(mesh.normals[i], sizeof(Vec3) * mesh.cols);
    add(&scale, sizeof scale);
    return hash;
}

TEST(FusedMultiplyAdd, NormalsAndScaleKeepTheirBits)
{
#if defined(__x86_64__)
    if (!__builtin_cpu_supports("fma")) GTEST_SKIP() << "this processor has no FMA";
#endif
    // A closed tube of uneven points, so products of unlike magnitudes meet.
    const int rows = 9, cols = 8;
    Vec3 *points[rows], *normals[rows], cells[2][rows * cols];
    for (int i = 0; i < rows; ++i) {
        points[i] = &cells[0][i * cols], normals[i] = &cells[1][i * cols];
        for (int j = 0; j < cols; ++j) {
            const int k = i % (rows - 1);
            points[i][j] = {k * 0.1 + j * 0.013, j * 0.3 - k * 0.07,
                            (k * k - j * j) * 0.011 + k * j * 0.029};
        }
    }
    Mesh mesh = {points, normals, rows, cols};
    // Made by a build without FMA; one with contraction gives others.
    const uint64_t expected[2] = {0x78031ee2b987b1b6ull, 0x8e932381a454dec3ull};
    for (int reverse : {0, 1}) {
        viewState.reverseSurface = reverse;
        prepareMesh(mesh);
        EXPECT_EQ(hashOf(mesh, viewState.scale), expected[reverse]) << "reverse " << reverse;
    }
    viewState = initialViewState;
}

}  // namespace
