#include <gtest/gtest.h>

#include "ui/view_state.h"

// The start values are part of what users see on every start.
TEST(ViewState, StartsFromTheDocumentedValues)
{
    const ViewState &v = initialViewState;
    EXPECT_EQ(v.eyeDistance, 14.0);
    EXPECT_EQ(v.viewTheta, 1.2217304763960306);
    EXPECT_EQ(v.viewPhi, 0.3490658503988659);
    EXPECT_EQ(v.angleStep, 0.03490658503988659);
    EXPECT_EQ(v.spinAngle, 0.0f);
    EXPECT_EQ(v.spinStep, 1.0f);
    EXPECT_EQ(v.scale, 1.0f);
    EXPECT_EQ(v.zScale, 1.0f);
    EXPECT_EQ(v.smoothShading, 1);
    EXPECT_EQ(v.animate, 0);
    EXPECT_EQ(v.showMesh, 1);
    EXPECT_EQ(v.wireFrame, 0);
    EXPECT_EQ(v.showAxis, 1);
    EXPECT_EQ(v.light1On, 1);
    EXPECT_EQ(v.light2On, 1);
    EXPECT_EQ(v.clipping, 0);
    EXPECT_EQ(v.reverseSurface, 0);
    EXPECT_EQ(aspectRatio, 0.0f);
}

TEST(ViewState, ToggleTreatsAnyNonZeroAsOn)
{
    int flag = 0;
    toggle(flag);
    EXPECT_EQ(flag, 1);
    toggle(flag);
    EXPECT_EQ(flag, 0);
    flag = 7;
    toggle(flag);
    EXPECT_EQ(flag, 0);
}
