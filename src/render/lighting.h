// Light and material tables and the one-time OpenGL state.
#pragma once

extern const float frontColor[4];
extern const float frontSpecular[4];
extern const float frontShininess;
extern const float backColor[4];
extern const float lineColor[4];
extern const float ambientLight[4];
extern const float light1Diffuse[4];
extern const float light1Specular[4];
extern const float light1Position[4];
extern const float light2Diffuse[4];
extern const float light2Specular[4];
extern const float light2Position[4];

// Light model, light colours, depth test and polygon offset.  Needs the
// window's context to be current; called once before the first frame.
void initLighting();
