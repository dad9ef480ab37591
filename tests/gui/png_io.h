// PNG files of pixel blocks, for people to look at.
#pragma once

#include "vstgui/platform/pixels.h"

#include <string>

namespace guitest {

bool writePng(const std::string& path, const VSTGUI::platform::Pixels& pixels);
bool readPng(const std::string& path, VSTGUI::platform::Pixels& pixels);

} // namespace guitest
