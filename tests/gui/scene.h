// One view tree that exercises every drawing path of the toolkit: nested
// containers with and without offscreen buffers, clipping, background
// bitmaps, keyed and blended bitmaps, outlines and fills.
#pragma once

#include "vstgui/cframe.h"
#include "vstgui/platform/pixels.h"

namespace guitest {

constexpr int32_t kSceneWidth = 240;
constexpr int32_t kSceneHeight = 100;

// Builds the tree into frame (sized kSceneWidth x kSceneHeight) with the
// bitmaps of the current platform.
void buildScene(VSTGUI::CFrame* frame);

// The scene drawn by the software backend into a window of its size.
VSTGUI::platform::Pixels renderSceneSoft();

} // namespace guitest
