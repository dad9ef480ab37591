// quelt-render and the files already on disk: the input is never written
// over, whatever name leads to it; what is no file is refused without being
// opened; an existing output survives every failed or interrupted render and
// no temporary file is left beside it.
#include "support/render_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#if !defined(_WIN32)
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using namespace quelt::test;
namespace fs = std::filesystem;

// Files beside `path` whose names extend its own: what a render may leave.
std::vector<fs::path> leftoversBeside(const std::string& path)
{
    const fs::path target = fs::absolute(path);
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(target.parent_path())) {
        const std::string name = entry.path().filename().string();
        if (name.size() > target.filename().string().size() && name.rfind(target.filename().string(), 0) == 0)
            found.push_back(entry.path());
    }
    return found;
}

// A recording someone cares about (litter of earlier runs cleared), and its bytes.
std::string precious(const std::string& path)
{
    for (const fs::path& old : leftoversBeside(path))
        fs::remove(old);
    writeWav(path, rampSignal(44100, 4410));
    return readText(path);
}

void expectOneLineError(const ProcessResult& r, int code, const std::string& mention)
{
    EXPECT_EQ(r.exitCode, code) << r.err;
    EXPECT_EQ(r.err.rfind("quelt-render: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(mention), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
}

std::vector<std::string> probeArgs(std::vector<std::string> args)
{
    args.insert(args.begin(), {"--plugin", probePluginPath(), "--pattern", "................"});
    return args;
}

TEST(OutputSafety, TheInputIsNeverTheOutput)
{
    const std::string input = scratchFile("take.wav");
    const std::string original = precious(input);
    const std::string hard = scratchFile("hard.wav");
    fs::create_hard_link(input, hard);
    std::vector<std::string> aliases{"./" + input, fs::absolute(input).string(), hard};
#if !defined(_WIN32)
    aliases.push_back(scratchFile("soft.wav"));
    fs::create_symlink(input, aliases.back());
#endif
    for (const std::string& alias : aliases) {
        SCOPED_TRACE(alias);
        expectOneLineError(runRender(probeArgs({input, "-o", alias})), 2, "would overwrite the input");
        expectOneLineError(runRender(probeArgs({alias, "-o", input})), 2, "would overwrite the input");
        EXPECT_EQ(readText(input), original);
    }
    EXPECT_TRUE(leftoversBeside(input).empty());
}

TEST(OutputSafety, WhatIsNoFileIsRefusedUntouched)
{
    const std::string log = scratchFile("probe.log");
    const std::string directory = scratchFile("dir");
    fs::create_directory(directory);
    // A device is refused by the same test; none is used here, as a faulty
    // renderer run by root could replace it.
#if defined(_WIN32)
    const std::pair<std::string, std::string> targets[] = {{directory, "a directory"}, {"NUL", "a device"}};
#else
    const std::string fifo = scratchFile("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    const std::pair<std::string, std::string> targets[] = {{directory, "a directory"}, {fifo, "a FIFO"}};
#endif
    for (const auto& [target, kind] : targets) {
        SCOPED_TRACE(target);
        const std::vector<std::string> args = probeArgs({"--seconds", "0.1", "-o", target});
#if defined(_WIN32)
        const ProcessResult r = runRender(args, {{"QUELT_PROBE_LOG", log}});
#else
        // Whoever opens a FIFO waits for the other end: a renderer that did would hang.
        const ProcessResult r = ChildProcess(renderExecutable(), args, {{"QUELT_PROBE_LOG", log}}).wait(20);
        ASSERT_FALSE(r.timedOut);
#endif
        expectOneLineError(r, 1, "cannot write to '" + target + "': it is " + kind);
        EXPECT_TRUE(readProbeLog(log).empty()) << "the plug-in was loaded";
    }
    EXPECT_TRUE(fs::is_empty(directory));
}

TEST(OutputSafety, AFinishedRenderReplacesTheOutputAFailedOneLeavesIt)
{
    const std::string output = scratchFile("mix.wav");
    const std::string original = precious(output);
    expectOneLineError(runRender(probeArgs({"--seconds", "0.1", "-o", output}), {{"QUELT_PROBE_FAULT", "mono-out"}}), 1,
                       "has 2 inputs and 1 output");
    EXPECT_EQ(readText(output), original);
    EXPECT_TRUE(leftoversBeside(output).empty());

#if !defined(_WIN32)
    ASSERT_EQ(chmod(output.c_str(), 0640), 0);
#endif
    ASSERT_EQ(runRender(probeArgs({"--seconds", "0.25", "--rate", "8000", "-o", output})).exitCode, 0);
    EXPECT_EQ(readWav(output).frames(), 2000u);
    EXPECT_TRUE(leftoversBeside(output).empty());
#if !defined(_WIN32)
    struct stat status{};
    ASSERT_EQ(stat(output.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);

    // Through a symbolic link: the link stays, the file it points at is new.
    const std::string link = scratchFile("latest.wav");
    fs::create_symlink(output, link);
    ASSERT_EQ(runRender(probeArgs({"--seconds", "0.5", "--rate", "8000", "-o", link})).exitCode, 0);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readWav(output).frames(), 4000u);
#endif
}

#if !defined(_WIN32)

TEST(OutputSafety, AnInterruptedRenderLeavesTheOldOutput)
{
    const std::string output = scratchFile("mix.wav");
    const std::string original = precious(output);
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signalNumber);
        // 500 blocks of 20 ms: ten seconds, unless interrupted.
        ChildProcess render(renderExecutable(), probeArgs({"--seconds", "5.8", "-o", output}),
                            {{"QUELT_PROBE_DELAY_MS", "20"}});
        for (int wait = 0; wait < 2000 && leftoversBeside(output).empty(); ++wait)
            usleep(5000);
        ASSERT_FALSE(leftoversBeside(output).empty()) << "no temporary file appeared";
        render.signal(signalNumber);
        EXPECT_EQ(render.wait(20).exitCode, 128 + signalNumber);
        EXPECT_EQ(readText(output), original);
        EXPECT_TRUE(leftoversBeside(output).empty());
    }
}

TEST(OutputSafety, AFullDiskLeavesTheOldOutput)
{
    // A file size limit makes writing the 350 kB render fail part way, as a
    // full disk would: reported when SIGXFSZ is ignored, fatal otherwise.
    const std::string output = scratchFile("mix.wav");
    const std::string original = precious(output);
    for (const bool ignored : {true, false}) {
        SCOPED_TRACE(ignored ? "SIGXFSZ ignored" : "SIGXFSZ default");
        std::vector<std::string> args{"-c", std::string(ignored ? "trap '' XFSZ; " : "") + "ulimit -f 64; exec \"$@\"",
                                      "sh", renderExecutable()};
        for (const std::string& arg : probeArgs({"--seconds", "1", "-o", output}))
            args.push_back(arg);
        const ProcessResult r = runProcess("/bin/sh", args);
        if (ignored)
            expectOneLineError(r, 1, "cannot write '" + output + "'");
        else
            EXPECT_EQ(r.exitCode, 128 + SIGXFSZ) << r.err;
        EXPECT_EQ(readText(output), original);
        EXPECT_TRUE(leftoversBeside(output).empty());
    }
}

#endif

} // namespace
