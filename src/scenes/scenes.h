// The scene chain and the six scenes it calls, in chain order.
// Each scene returns non-zero while it is still running.
#pragma once

int runSceneChain();

int introScene(int speed);
void drawIntroCaptions();
int journeyScene(int speed);
int sineCubeScene(int speed);
void initSineCubes();
int itchyAtomScene(int speed);
void drawAtomSprites();
void initAtomSprites();
int vaderScene(int speed);
void drawWingPanel();
void drawStrutBox();
int closingScene();

// Element records of the scenes that own them.
struct Position3 {
    float x, y, z;
};
extern Position3 sineCubes[1000];
extern Position3 atomSprites[40];
