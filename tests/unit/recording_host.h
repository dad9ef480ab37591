// A host callback for unit tests that records every call and answers from a table.
#pragma once

#include <functional>
#include <vector>

#include "host/vst_interface.h"
#include "tests/support/host_call.h"

using RecordedCall = quelt_test::HostCall;

// One instance is current at a time; unit tests run on one thread.
class RecordingHost
{
public:
    RecordingHost() { current() = this; }
    ~RecordingHost() { current() = nullptr; }

    static VstIntPtr VSTCALLBACK callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                          void* ptr, float opt)
    {
        RecordingHost* host = current();
        if (!host)
            return 0;
        RecordedCall call{effect, opcode, index, value, ptr, opt};
        host->calls.push_back(call);
        return host->answer ? host->answer(call) : 0;
    }

    std::vector<RecordedCall> calls;
    std::function<VstIntPtr(const RecordedCall&)> answer;

private:
    static RecordingHost*& current()
    {
        static RecordingHost* instance = nullptr;
        return instance;
    }
};
