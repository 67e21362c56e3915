#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "mesh/mesh.h"
#include "mesh/prepare.h"
#include "ui/commands.h"
#include "ui/view_state.h"

namespace {

// Field by field, floats compared exactly: the rounding is part of the
// behaviour.
void expectSameState(const ViewState &want, const ViewState &got, const std::string &what)
{
    SCOPED_TRACE(what);
    EXPECT_EQ(want.eyeDistance, got.eyeDistance);
    EXPECT_EQ(want.viewTheta, got.viewTheta);
    EXPECT_EQ(want.viewPhi, got.viewPhi);
    EXPECT_EQ(want.angleStep, got.angleStep);
    EXPECT_EQ(want.spinAngle, got.spinAngle);
    EXPECT_EQ(want.spinStep, got.spinStep);
    EXPECT_EQ(want.scale, got.scale);
    EXPECT_EQ(want.zScale, got.zScale);
    EXPECT_EQ(want.smoothShading, got.smoothShading);
    EXPECT_EQ(want.animate, got.animate);
    EXPECT_EQ(want.showMesh, got.showMesh);
    EXPECT_EQ(want.wireFrame, got.wireFrame);
    EXPECT_EQ(want.showAxis, got.showAxis);
    EXPECT_EQ(want.light1On, got.light1On);
    EXPECT_EQ(want.light2On, got.light2On);
    EXPECT_EQ(want.clipping, got.clipping);
    EXPECT_EQ(want.reverseSurface, got.reverseSurface);
}

// A state far from the start values: scale and zScale are values where
// float arithmetic, or a float 0.9, gives a different result from double
// arithmetic rounded once; every flag holds 7.
ViewState oddState()
{
    ViewState v = {7.3, -0.4, 9.1, 0.3, 123.5f, 0.3f, 0.2f, 3.3f, 7, 7, 7, 7, 7, 7, 7, 7, 7};
    return v;
}

// What a toggle leaves in a flag.
int toggled(int flag) { return flag == 0 ? 1 : 0; }

struct CommandCase {
    const char *codes;  // applied in order; the action is the last one's
    void (*expect)(ViewState &v);
    CommandAction action;
};

const CommandCase commandCases[] = {
    {"*", [](ViewState &v) { v.spinStep *= 2; v.angleStep *= 2; }, CommandAction::Redraw},
    {"/", [](ViewState &v) { v.spinStep /= 2; v.angleStep /= 2; }, CommandAction::Redraw},
    {"*/", [](ViewState &) {}, CommandAction::Redraw},
    {"/*", [](ViewState &) {}, CommandAction::Redraw},
    {"+", [](ViewState &v) { v.scale = static_cast<float>(double(v.scale) / 0.9); }, CommandAction::Redraw},
    {"-", [](ViewState &v) { v.scale = static_cast<float>(double(v.scale) * 0.9); }, CommandAction::Redraw},
    {";", [](ViewState &v) { v.scale = static_cast<float>(double(v.scale) * 0.9); }, CommandAction::Redraw},
    {"z", [](ViewState &v) { v.zScale = static_cast<float>(double(v.zScale) / 0.9); }, CommandAction::Redraw},
    {"Z", [](ViewState &v) { v.zScale = static_cast<float>(double(v.zScale) * 0.9); }, CommandAction::Redraw},
    {"u", [](ViewState &v) { v.eyeDistance = v.eyeDistance * 0.9; }, CommandAction::Redraw},
    {"d", [](ViewState &v) { v.eyeDistance = v.eyeDistance / 0.9; }, CommandAction::Redraw},
    {"1", [](ViewState &v) { v.light1On = toggled(v.light1On); }, CommandAction::Redraw},
    {"2", [](ViewState &v) { v.light2On = toggled(v.light2On); }, CommandAction::Redraw},
    {"C", [](ViewState &v) { v.clipping = toggled(v.clipping); }, CommandAction::Redraw},
    {"a", [](ViewState &v) { v.showAxis = toggled(v.showAxis); }, CommandAction::Redraw},
    {"c", [](ViewState &v) { v.animate = toggled(v.animate); }, CommandAction::Redraw},
    {"w", [](ViewState &v) { v.wireFrame = toggled(v.wireFrame); }, CommandAction::Redraw},
    {"f", [](ViewState &v) { v.showMesh = toggled(v.showMesh); v.wireFrame = 0; }, CommandAction::Redraw},
    {"s", [](ViewState &v) { v.smoothShading = toggled(v.smoothShading); v.wireFrame = 0; },
     CommandAction::Redraw},
    {"g", [](ViewState &v) { v.zScale = 1.0f; v.showMesh = 1; v.wireFrame = 0; }, CommandAction::Redraw},
    // Without a mesh "r" only sets the flag; the mesh side is tested below.
    {"r", [](ViewState &v) { v.reverseSurface = 1; }, CommandAction::Redraw},
    {"rr", [](ViewState &v) { v.reverseSurface = 1; }, CommandAction::Redraw},
    {"B", [](ViewState &) {}, CommandAction::SaveImage},
    {"q", [](ViewState &) {}, CommandAction::Quit},
};

}  // namespace

// Every command from two states: the start values and a state where every
// flag holds 7 and the floats expose the rounding.
TEST(Commands, ChangeExactlyTheirFields)
{
    // The chosen values tell double arithmetic from float arithmetic.
    const ViewState odd = oddState();
    volatile float nine = 0.9f;
    ASSERT_NE(static_cast<float>(double(odd.scale) * 0.9), odd.scale * nine);
    ASSERT_NE(static_cast<float>(double(odd.scale) / 0.9), odd.scale / nine);
    ASSERT_NE(static_cast<float>(double(odd.zScale) * 0.9), static_cast<float>(double(odd.zScale) * nine));
    ASSERT_NE(static_cast<float>(double(odd.zScale) / 0.9), static_cast<float>(double(odd.zScale) / nine));

    Mesh *savedMesh = theMesh;
    theMesh = nullptr;
    const ViewState bases[] = {initialViewState, odd};
    for (const ViewState &base : bases) {
        for (const CommandCase &c : commandCases) {
            viewState = base;
            ViewState want = base;
            c.expect(want);
            CommandAction action = CommandAction::None;
            for (const char *p = c.codes; *p; ++p) {
                action = applyCommand(static_cast<unsigned char>(*p));
            }
            std::string what = std::string("codes \"") + c.codes + "\" from flags " +
                               std::to_string(base.showMesh);
            EXPECT_EQ(action, c.action) << what;
            expectSameState(want, viewState, what);
        }
    }

    // Spelled out, the cases users meet: "f" and "w" from the start.
    viewState = initialViewState;
    applyCommand('w');
    applyCommand('f');
    EXPECT_EQ(viewState.showMesh, 0);
    EXPECT_EQ(viewState.wireFrame, 0);
    applyCommand('u');
    EXPECT_EQ(viewState.eyeDistance, 12.6);
    theMesh = savedMesh;
    viewState = initialViewState;
}

TEST(Commands, CodesOutsideTheTableDoNothing)
{
    const std::string commands = "*+-/12;BCZacdfgqrsuwz";
    ASSERT_EQ(commands.size(), 21u);
    for (int code = -1; code <= 256; ++code) {
        if (code > 0 && code < 256 && commands.find(static_cast<char>(code)) != std::string::npos) {
            continue;
        }
        viewState = oddState();
        EXPECT_EQ(applyCommand(code), CommandAction::None) << code;
        expectSameState(oddState(), viewState, "code " + std::to_string(code));
    }
    viewState = initialViewState;
}

namespace {

// A small non-planar grid with rows of their own, as the reader builds it.
Mesh *makeGrid(int rows, int cols)
{
    Mesh *mesh = new Mesh{new Vec3 *[rows], new Vec3 *[rows], rows, cols};
    for (int i = 0; i < rows; ++i) {
        mesh->points[i] = new Vec3[cols];
        mesh->normals[i] = new Vec3[cols];
        for (int j = 0; j < cols; ++j) {
            mesh->points[i][j] = {0.5 * j, 0.7 * i, 0.1 * i * i - 0.2 * j * i + 0.05 * j * j};
        }
    }
    return mesh;
}

void freeGrid(Mesh *mesh)
{
    for (int i = 0; i < mesh->rows; ++i) {
        delete[] mesh->points[i];
        delete[] mesh->normals[i];
    }
    delete[] mesh->points;
    delete[] mesh->normals;
    delete mesh;
}

}  // namespace

// Two reversals give back the rows, the normals and the fit-to-view scale.
TEST(Commands, ReverseTwiceRestoresTheSurface)
{
    Mesh *mesh = makeGrid(4, 3);
    Vec3 *firstRow = mesh->points[0];
    Mesh *savedMesh = theMesh;
    theMesh = mesh;
    viewState = initialViewState;
    prepareMesh(*mesh);
    const float fitScale = viewState.scale;
    Vec3 normals[4][3];
    for (int i = 0; i < 4; ++i) {
        std::memcpy(normals[i], mesh->normals[i], sizeof normals[i]);
    }

    applyCommand('+');
    EXPECT_EQ(applyCommand('r'), CommandAction::Redraw);
    EXPECT_EQ(mesh->points[3], firstRow);
    EXPECT_EQ(viewState.reverseSurface, 1);
    EXPECT_EQ(viewState.scale, fitScale);
    // The normals of a reversed surface point the other way.
    EXPECT_LT(mesh->normals[3][1].z * normals[0][1].z, 0.0);

    applyCommand('r');
    EXPECT_EQ(mesh->points[0], firstRow);
    EXPECT_EQ(viewState.reverseSurface, 1);
    EXPECT_EQ(viewState.scale, fitScale);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(std::memcmp(normals[i], mesh->normals[i], sizeof normals[i]), 0) << "row " << i;
    }
    theMesh = savedMesh;
    freeGrid(mesh);
    viewState = initialViewState;
}
