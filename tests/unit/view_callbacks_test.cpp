// The viewer's start values, arrow keys, resizing and the spin animation.
#include <gtest/gtest.h>

#include <GL/glut.h>

#include <cmath>
#include <cstddef>
#include <cstring>

#include "ui/view_callbacks.h"
#include "ui/view_state.h"

namespace {

bool same(const ViewState &a, const ViewState &b)  // every field, no padding
{
    return std::memcmp(&a, &b, offsetof(ViewState, reverseSurface) + sizeof(int)) == 0;
}

struct View : testing::Test {
    void SetUp() override { viewState = initialViewState; }
    void TearDown() override { viewState = initialViewState, aspectRatio = 0.0f; }
};

TEST_F(View, StartValuesArrowKeysAndAspectRatio)
{
    const ViewState start = {14.0, 1.2217304763960306, 0.3490658503988659, 0.03490658503988659,
                             0.0f, 1.0f, 1.0f, 1.0f, 1, 0, 1, 0, 1, 1, 1, 0, 0};
    EXPECT_TRUE(same(initialViewState, start));
    EXPECT_EQ(aspectRatio, 0.0f);
    for (int key : {GLUT_KEY_F1, GLUT_KEY_PAGE_UP, GLUT_KEY_HOME, 0, GLUT_KEY_DOWN + 1}) {
        EXPECT_FALSE(turnCamera(key)) << key;
    }
    EXPECT_TRUE(same(viewState, initialViewState));
    for (int i = 0; i < 35; ++i) turnCamera(GLUT_KEY_UP);
    EXPECT_NEAR(viewState.viewTheta, 0.0, 1e-12);  // the top, then over it
    EXPECT_TRUE(turnCamera(GLUT_KEY_UP));
    EXPECT_NEAR(viewState.viewTheta, -2 * M_PI / 180, 1e-12);
    setAspectRatio(500, 0);
    EXPECT_EQ(aspectRatio, INFINITY);
    setAspectRatio(800, 600);
    EXPECT_EQ(aspectRatio, 1.3333333730697632f);  // width / height, rounded once
}

TEST_F(View, Spin)
{
    EXPECT_FALSE(advanceSpin());
    EXPECT_TRUE(same(viewState, initialViewState));
    viewState.animate = 1;
    for (int i = 0; i < 360; ++i) advanceSpin();
    EXPECT_EQ(viewState.spinAngle, 360.0f);
    EXPECT_TRUE(advanceSpin());
    EXPECT_EQ(viewState.spinAngle, 1.0f);
    viewState.spinAngle = 0.0f;
    viewState.spinStep = 512.0f;  // one subtraction per call: the angle keeps growing
    for (float want : {152.0f, 304.0f, 456.0f, 608.0f}) {
        EXPECT_TRUE(advanceSpin() && viewState.spinAngle == want) << want;
    }
}

}  // namespace
