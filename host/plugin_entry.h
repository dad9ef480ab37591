// Module-wide state of the loaded library.
#pragma once

// The module instance handle, kept for window classes and resources.
extern void* hInstance;
