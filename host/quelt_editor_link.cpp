// For builds with the editor panel.
#include "host/editor_link.h"

#include "host/quelt_editor.h"

void attachEditor(AudioEffect* effect) { new QueltEditor(effect); }

void editorParameterChanged(AEffEditor* editor, VstInt32 index, float value)
{
    if (editor)
        static_cast<AEffGUIEditor*>(editor)->setParameter(index, value);
}
