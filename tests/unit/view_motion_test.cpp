// Arrow keys, the window's shape and the spin animation on a settings record.
#include <gtest/gtest.h>

#include <GL/glut.h>

#include <cmath>

#include "ui/view_motion.h"

TEST(ViewMotion, ArrowKeysOnlyAndOverThePole)
{
    ViewState v = initialViewState;
    for (int key : {GLUT_KEY_F1, GLUT_KEY_PAGE_UP, GLUT_KEY_HOME, 0, GLUT_KEY_DOWN + 1}) {
        EXPECT_FALSE(turnCamera(v, key)) << key;
    }
    EXPECT_EQ(v.viewTheta, initialViewState.viewTheta);
    for (int i = 0; i < 35; ++i) turnCamera(v, GLUT_KEY_UP);
    EXPECT_NEAR(v.viewTheta, 0.0, 1e-12);  // the top, then over it
    EXPECT_TRUE(turnCamera(v, GLUT_KEY_UP));
    EXPECT_NEAR(v.viewTheta, -2 * M_PI / 180, 1e-12);
    EXPECT_EQ(aspectRatioOf(500, 0), INFINITY);
    EXPECT_EQ(aspectRatioOf(800, 600), 1.3333333730697632f);  // width / height, rounded once
}

TEST(ViewMotion, SpinWrapsOnceACall)
{
    ViewState v = initialViewState;
    EXPECT_FALSE(advanceSpin(v));
    EXPECT_EQ(v.spinAngle, 0.0f);
    v.animate = 1;
    for (int i = 0; i < 360; ++i) advanceSpin(v);
    EXPECT_EQ(v.spinAngle, 360.0f);
    EXPECT_TRUE(advanceSpin(v));
    EXPECT_EQ(v.spinAngle, 1.0f);
    v.spinAngle = 0.0f;
    v.spinStep = 512.0f;  // one subtraction per call: the angle keeps growing
    for (float want : {152.0f, 304.0f, 456.0f, 608.0f}) {
        EXPECT_TRUE(advanceSpin(v) && v.spinAngle == want) << want;
    }
}
