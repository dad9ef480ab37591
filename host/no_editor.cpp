// For builds without an editor panel: the effect offers none.
#include "host/editor_link.h"

void attachEditor(AudioEffect*) {}

void editorParameterChanged(AEffEditor*, VstInt32, float) {}
