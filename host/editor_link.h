// The effect's link to its editor panel. The build supplies one of two
// definitions: the panel, where the plug-in shows one, or nothing.
#pragma once

#include "host/aeff_editor.h"

class AudioEffect;

// Gives the effect its panel; the panel attaches itself and the effect owns it.
void attachEditor(AudioEffect* effect);
// Tells the panel that a parameter changed.
void editorParameterChanged(AEffEditor* editor, VstInt32 index, float value);
