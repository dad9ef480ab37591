#include "output_file.h"

#include "render_error.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quelt::render {

namespace {

// The temporary file an interruption has to remove, in storage a signal
// handler may read. One output is written at a time.
char g_pendingTemporary[4096];
volatile std::sig_atomic_t g_havePending = 0;

std::string temporaryName(const std::string& destination, unsigned attempt)
{
#if defined(_WIN32)
    const unsigned long pid = GetCurrentProcessId();
#else
    const unsigned long pid = static_cast<unsigned long>(getpid());
#endif
    return destination + ".quelt-" + std::to_string(pid) + "-" + std::to_string(attempt) + ".tmp";
}

#if defined(_WIN32)

std::string lastErrorText()
{
    const DWORD error = GetLastError();
    char* text = nullptr;
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length ? std::string(text, length) : "error " + std::to_string(error);
    if (text)
        LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.'))
        message.pop_back();
    return message;
}

HANDLE openForQuery(const std::string& path)
{
    // No access rights asked for: the file is looked at, not opened for I/O.
    return CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

BOOL WINAPI removePendingTemporary(DWORD)
{
    if (g_havePending)
        DeleteFileA(g_pendingTemporary);
    return FALSE;  // the default handling ends the process
}

void installHandlers()
{
    SetConsoleCtrlHandler(removePendingTemporary, TRUE);
}

void removeHandlers()
{
    SetConsoleCtrlHandler(removePendingTemporary, FALSE);
}

void removeFile(const std::string& path)
{
    DeleteFileA(path.c_str());
}

#else

constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGXFSZ};
struct sigaction g_previous[sizeof kCleanupSignals / sizeof kCleanupSignals[0]];
bool g_installed[sizeof kCleanupSignals / sizeof kCleanupSignals[0]];

extern "C" void removePendingTemporary(int signalNumber)
{
    if (g_havePending)
        unlink(g_pendingTemporary);
    // Then end the way the signal would have ended the program.
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

void installHandlers()
{
    for (std::size_t i = 0; i < sizeof kCleanupSignals / sizeof kCleanupSignals[0]; ++i) {
        struct sigaction action{};
        action.sa_handler = removePendingTemporary;
        sigemptyset(&action.sa_mask);
        g_installed[i] = sigaction(kCleanupSignals[i], nullptr, &g_previous[i]) == 0 &&
                         g_previous[i].sa_handler != SIG_IGN &&  // e.g. SIGHUP under nohup stays ignored
                         sigaction(kCleanupSignals[i], &action, nullptr) == 0;
    }
}

void removeHandlers()
{
    for (std::size_t i = 0; i < sizeof kCleanupSignals / sizeof kCleanupSignals[0]; ++i) {
        if (g_installed[i])
            sigaction(kCleanupSignals[i], &g_previous[i], nullptr);
        g_installed[i] = false;
    }
}

void removeFile(const std::string& path)
{
    unlink(path.c_str());
}

const char* kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return "a directory";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISCHR(mode))
        return "a character device";
    if (S_ISBLK(mode))
        return "a block device";
    if (S_ISSOCK(mode))
        return "a socket";
    return "not a regular file";
}

std::string directoryOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

#endif

void armCleanup(const std::string& temporary)
{
    if (temporary.size() >= sizeof g_pendingTemporary)
        return;
    g_havePending = 0;
    std::memcpy(g_pendingTemporary, temporary.c_str(), temporary.size() + 1);
    g_havePending = 1;
    installHandlers();
}

void disarmCleanup()
{
    removeHandlers();
    g_havePending = 0;
}

} // namespace

#if defined(_WIN32)

bool sameFile(const std::string& a, const std::string& b)
{
    BY_HANDLE_FILE_INFORMATION info[2];
    const std::string* paths[2] = {&a, &b};
    for (int i = 0; i < 2; ++i) {
        const HANDLE file = openForQuery(*paths[i]);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        const BOOL known = GetFileInformationByHandle(file, &info[i]);
        CloseHandle(file);
        if (!known)
            return false;
    }
    return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
           info[0].nFileIndexHigh == info[1].nFileIndexHigh && info[0].nFileIndexLow == info[1].nFileIndexLow;
}

OutputFile::OutputFile(const std::string& target) : m_target(target), m_destination(target)
{
    const HANDLE existing = openForQuery(target);
    const bool exists = existing != INVALID_HANDLE_VALUE;
    if (exists) {
        BY_HANDLE_FILE_INFORMATION info{};
        const BOOL known = GetFileInformationByHandle(existing, &info);
        const DWORD type = GetFileType(existing);
        CloseHandle(existing);
        if (known && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            throw RenderError("cannot write to '" + target + "': it is a directory");
        if (type != FILE_TYPE_DISK)
            throw RenderError("cannot write to '" + target + "': it is a device, not a regular file");
        if (known && (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY))
            throw RenderError("cannot write to '" + target + "': the file is read-only");
    }

    for (unsigned attempt = 1;; ++attempt) {
        m_temporary = temporaryName(m_destination, attempt);
        const HANDLE file = CreateFileA(m_temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            break;
        }
        if (GetLastError() != ERROR_FILE_EXISTS || attempt == 100)
            throw RenderError("cannot create '" + target + "': " + lastErrorText() +
                              (exists ? " (the new file is written beside it first)" : ""));
    }
    armCleanup(m_temporary);
}

void OutputFile::commit()
{
    if (!MoveFileExA(m_temporary.c_str(), m_destination.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        throw RenderError("cannot replace '" + m_target + "': " + lastErrorText());
    m_committed = true;
    disarmCleanup();
}

#else

bool sameFile(const std::string& a, const std::string& b)
{
    struct stat first{}, second{};
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

OutputFile::OutputFile(const std::string& target) : m_target(target), m_destination(target)
{
    struct stat status{};
    if (lstat(target.c_str(), &status) == 0 && S_ISLNK(status.st_mode)) {
        if (char* resolved = realpath(target.c_str(), nullptr)) {
            m_destination = resolved;
            std::free(resolved);
        }
    }
    const bool exists = stat(m_destination.c_str(), &status) == 0;
    if (exists && !S_ISREG(status.st_mode))
        throw RenderError("cannot write to '" + target + "': it is " + kindOf(status.st_mode) +
                          ", not a regular file");
    // Renaming would replace a file its owner made read-only; writing never did.
    if (exists && access(m_destination.c_str(), W_OK) != 0)
        throw RenderError("cannot write to '" + target + "': " + std::strerror(errno));

    int file = -1;
    for (unsigned attempt = 1; file < 0; ++attempt) {
        m_temporary = temporaryName(m_destination, attempt);
        file = open(m_temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (file < 0 && (errno != EEXIST || attempt == 100))
            throw RenderError("cannot create '" + target + "': " + std::strerror(errno) +
                              (exists ? " (the new file is written beside it first)" : ""));
    }
    // A replaced file keeps its permissions.
    if (exists)
        (void)fchmod(file, status.st_mode & 07777);
    close(file);
    armCleanup(m_temporary);
}

void OutputFile::commit()
{
    // The data is on the disk before the name moves, so a crash leaves the old
    // file or the new one, never a part of it.
    const int file = open(m_temporary.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0 || fsync(file) != 0) {
        const int error = errno;
        if (file >= 0)
            close(file);
        throw RenderError("cannot write '" + m_target + "': " + std::strerror(error));
    }
    close(file);
    if (rename(m_temporary.c_str(), m_destination.c_str()) != 0)
        throw RenderError("cannot replace '" + m_target + "': " + std::strerror(errno));
    m_committed = true;
    disarmCleanup();
    const int directory = open(directoryOf(m_destination).c_str(), O_RDONLY | O_CLOEXEC);
    if (directory >= 0) {
        (void)fsync(directory);
        close(directory);
    }
}

#endif

OutputFile::~OutputFile()
{
    if (m_committed)
        return;
    disarmCleanup();
    removeFile(m_temporary);
}

} // namespace quelt::render
