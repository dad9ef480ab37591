#include "host/plugin_entry.h"

// Set by the module's load notification; executables that link the
// toolkit directly set it themselves.
void* hInstance = nullptr;
