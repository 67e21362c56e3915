#include <gtest/gtest.h>

#include <GL/glut.h>

#include <cmath>
#include <cstring>

#include "ui/view_callbacks.h"
#include "ui/view_state.h"

namespace {

const double twoDegrees = 2.0 * M_PI / 180.0;

// Every test starts from, and leaves behind, the start values.
class ViewCallbacks : public ::testing::Test {
protected:
    void SetUp() override { restore(); }
    void TearDown() override { restore(); }
    static void restore()
    {
        viewState = initialViewState;
        aspectRatio = 0.0f;
    }
};

bool sameState(const ViewState &a, const ViewState &b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST_F(ViewCallbacks, UpReachesTheTopAfter35PressesAndGoesOverIt)
{
    for (int i = 0; i < 35; ++i) {
        ASSERT_TRUE(turnCamera(GLUT_KEY_UP));
    }
    EXPECT_NEAR(viewState.viewTheta, 0.0, 1e-12);
    ASSERT_TRUE(turnCamera(GLUT_KEY_UP));
    EXPECT_NEAR(viewState.viewTheta, -twoDegrees, 1e-12);
    EXPECT_EQ(viewState.viewPhi, initialViewState.viewPhi);
}

TEST_F(ViewCallbacks, EachArrowTurnsOneAngleByOneStep)
{
    struct Case {
        int key;
        double theta;
        double phi;
    } cases[] = {
        {GLUT_KEY_LEFT, 0.0, -1.0},
        {GLUT_KEY_RIGHT, 0.0, 1.0},
        {GLUT_KEY_UP, -1.0, 0.0},
        {GLUT_KEY_DOWN, 1.0, 0.0},
    };
    for (const Case &c : cases) {
        viewState = initialViewState;
        // A changed step must be honoured, not the start value.
        viewState.angleStep = 0.25;
        EXPECT_TRUE(turnCamera(c.key)) << c.key;
        EXPECT_EQ(viewState.viewTheta, initialViewState.viewTheta + c.theta * 0.25) << c.key;
        EXPECT_EQ(viewState.viewPhi, initialViewState.viewPhi + c.phi * 0.25) << c.key;
    }
}

TEST_F(ViewCallbacks, OtherSpecialKeysChangeNothing)
{
    const int keys[] = {GLUT_KEY_F1,        GLUT_KEY_F12,  GLUT_KEY_PAGE_UP, GLUT_KEY_PAGE_DOWN,
                        GLUT_KEY_HOME,      GLUT_KEY_END,  GLUT_KEY_INSERT,  0,
                        GLUT_KEY_LEFT - 1, GLUT_KEY_DOWN + 1};
    for (int key : keys) {
        EXPECT_FALSE(turnCamera(key)) << key;
        EXPECT_TRUE(sameState(viewState, initialViewState)) << key;
    }
}

TEST_F(ViewCallbacks, AspectRatioIsWidthOverHeightRoundedOnce)
{
    setAspectRatio(500, 500);
    EXPECT_EQ(aspectRatio, 1.0f);
    setAspectRatio(800, 600);
    EXPECT_EQ(aspectRatio, 1.3333333730697632f);
    setAspectRatio(1, 3);
    EXPECT_EQ(aspectRatio, static_cast<float>(1.0 / 3.0));
}

TEST_F(ViewCallbacks, ZeroHeightIsStoredAsIsAndALaterResizeRecovers)
{
    setAspectRatio(500, 0);
    EXPECT_TRUE(std::isinf(aspectRatio));
    EXPECT_GT(aspectRatio, 0.0f);
    setAspectRatio(0, 0);
    EXPECT_TRUE(std::isnan(aspectRatio));
    setAspectRatio(640, 480);
    EXPECT_EQ(aspectRatio, 1.3333333730697632f);
}

TEST_F(ViewCallbacks, SpinDoesNothingWhileOff)
{
    viewState.spinAngle = 42.0f;
    const ViewState before = viewState;
    EXPECT_FALSE(advanceSpin());
    EXPECT_TRUE(sameState(viewState, before));
}

TEST_F(ViewCallbacks, SpinWrapsOnlyPast360)
{
    viewState.animate = 1;
    for (int i = 1; i <= 360; ++i) {
        ASSERT_TRUE(advanceSpin());
        ASSERT_EQ(viewState.spinAngle, static_cast<float>(i));
    }
    EXPECT_EQ(viewState.spinAngle, 360.0f);
    EXPECT_TRUE(advanceSpin());
    EXPECT_EQ(viewState.spinAngle, 1.0f);
}

TEST_F(ViewCallbacks, SpinSteps)
{
    struct Case {
        float start;
        float step;
        float expected[4];
    } cases[] = {
        // One subtraction per call: a step above 360 keeps growing the angle.
        {0.0f, 512.0f, {152.0f, 304.0f, 456.0f, 608.0f}},
        {359.5f, 1.0f, {0.5f, 1.5f, 2.5f, 3.5f}},
        {10.0f, 0.0f, {10.0f, 10.0f, 10.0f, 10.0f}},
    };
    for (const Case &c : cases) {
        viewState = initialViewState;
        viewState.animate = 1;
        viewState.spinAngle = c.start;
        viewState.spinStep = c.step;
        for (float want : c.expected) {
            EXPECT_TRUE(advanceSpin());
            EXPECT_EQ(viewState.spinAngle, want) << "start " << c.start << " step " << c.step;
        }
    }
}

}  // namespace
