// The editor interface that the effect owns and the dispatcher's editor opcodes reach.
#pragma once

#include "host/vst_interface.h"

class AudioEffect;

class AEffEditor
{
public:
    explicit AEffEditor(AudioEffect* effect);
    virtual ~AEffEditor();

    virtual AudioEffect* getEffect();
    virtual bool getRect(ERect** rect);
    virtual bool open(void* window);
    virtual void close();
    virtual bool isOpen();
    virtual void idle();
    virtual bool onKeyDown(VstKeyCode& keyCode);
    virtual bool onKeyUp(VstKeyCode& keyCode);
    virtual bool onWheel(float distance);
    virtual bool setKnobMode(VstInt32 mode);

protected:
    AudioEffect* effect;  // not owned: the effect owns this editor
    void* systemWindow;   // the host's parent window while open
};
