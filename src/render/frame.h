// The picture the demo was composed for: every scene, the projection and the caption overlay
// assume its 640 x 480, 4:3 shape, whatever size the window or the recording has.
#pragma once

constexpr int demoWidth = 640;
constexpr int demoHeight = 480;
