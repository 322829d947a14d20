#include "process/qt_tool_process.h"

#include <QFile>
#include <QStringList>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#endif
#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace quillon {

QtToolProcess::~QtToolProcess() {
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

#ifdef _WIN32
bool QtToolProcess::start(const std::string& program, const std::vector<std::string>& arguments,
                          const std::string& workingFolder, const std::string& outputFile) {
    QStringList args;
    for (const std::string& a : arguments) args << QString::fromUtf8(a.c_str());
    process_.setProgram(QString::fromUtf8(program.c_str()));
    process_.setArguments(args);
    process_.setWorkingDirectory(QString::fromUtf8(workingFolder.c_str()));
    process_.setStandardOutputFile(QString::fromUtf8(outputFile.c_str()), QIODevice::Truncate);
    process_.setStandardErrorFile(QProcess::nullDevice());
    process_.setStandardInputFile(QProcess::nullDevice());
    process_.start(QIODevice::NotOpen);
    return process_.waitForStarted(30000);
}
#else
// QProcess would pass the program, its arguments and its folder through QString, which
// replaces bytes that are no UTF-8: a file name in another encoding would reach the tool
// altered. So the child enters the folder and starts the tool itself, with the bytes as
// given, in the last moment before QProcess would; only if starting fails does QProcess
// try, and report the failure.
bool QtToolProcess::start(const std::string& program, const std::vector<std::string>& arguments,
                          const std::string& workingFolder, const std::string& outputFile) {
    const int output = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (output < 0) return false;
    // Everything the child uses is made here: after the fork it may only make system calls.
    std::vector<std::string> words{program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const std::string folder = workingFolder;
    const pid_t parent = ::getpid();

    process_.setProgram(QFile::decodeName(QByteArray::fromStdString(program)));
    process_.setArguments({});
    process_.setStandardOutputFile(QProcess::nullDevice());
    process_.setStandardErrorFile(QProcess::nullDevice());
    process_.setStandardInputFile(QProcess::nullDevice());
    process_.setChildProcessModifier([&argv, &folder, output, parent] {
        // A program started from a non-interactive shell passes SIGINT on as ignored;
        // the tool must see it to stop on an abort.
        ::signal(SIGINT, SIG_DFL);
#ifdef __linux__
        // The tool ends with this program, however it ends, rather than write on alone.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) ::_exit(127);
#endif
        ::dup2(output, STDOUT_FILENO);
        if (::chdir(folder.c_str()) != 0) ::_exit(127);  // never a tool writing elsewhere
        ::execv(argv[0], argv.data());
    });
    process_.start(QIODevice::NotOpen);
    const bool started = process_.waitForStarted(30000);
    ::close(output);
    return started;
}
#endif

bool QtToolProcess::waitForEnd(int milliseconds) {
    if (process_.state() == QProcess::NotRunning) return true;
    return process_.waitForFinished(milliseconds) || process_.state() == QProcess::NotRunning;
}

void QtToolProcess::interrupt() {
    if (process_.state() == QProcess::NotRunning) return;
#ifdef _WIN32
    // A console program has no window to ask to close, and no console event reaches it
    // from a program with windows: it is ended. Its partial container stays a temporary
    // file, which the next run's OutputFile removes.
    process_.kill();
#else
    ::kill(static_cast<pid_t>(process_.processId()), SIGINT);
#endif
}

ToolEnd QtToolProcess::end() const {
    // A tool that a signal ended has the signal's number as its exit code.
    return {process_.exitStatus() == QProcess::CrashExit, process_.exitCode()};
}

}  // namespace quillon
