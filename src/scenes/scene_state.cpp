// Definitions of the shared scene state, the demo clock and the frame step.
// Their values at load are the ones the timeline starts from.
#include "scenes/scene_state.h"

DemoClock demoClock = {0, 0};
float frameStep = 0.0f;
SceneState sceneState;
GLUquadric* quadric = nullptr;

void resetSceneState() {
    demoClock = {0, 0};
    frameStep = 0.0f;
    sceneState = SceneState{};
}
