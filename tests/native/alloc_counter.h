// Counts heap operations made by any code in the process while armed, the dlopen'ed
// plug-in included (the test executable exports its malloc family and operator new/delete).
#pragma once

namespace quelt_alloc {

struct Counts
{
    long allocations;  // malloc, calloc, realloc, aligned forms, operator new
    long frees;        // free of a non-null pointer, operator delete
};

void arm();       // resets the counts and starts counting
Counts disarm();  // stops counting and returns what was seen

}  // namespace quelt_alloc
