#include "gui/qt_tool_process.h"

#include <QStringList>

#ifndef _WIN32
#include <csignal>
#endif

namespace quillon {

QtToolProcess::~QtToolProcess() {
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

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
#ifndef _WIN32
    // A program started from a non-interactive shell passes SIGINT on as ignored; the
    // tool must see it to stop on an abort.
    process_.setChildProcessModifier([] { ::signal(SIGINT, SIG_DFL); });
#endif
    process_.start(QIODevice::NotOpen);
    return process_.waitForStarted(30000);
}

bool QtToolProcess::waitForEnd(int milliseconds) {
    if (process_.state() == QProcess::NotRunning) return true;
    return process_.waitForFinished(milliseconds) || process_.state() == QProcess::NotRunning;
}

void QtToolProcess::interrupt() {
    if (process_.state() == QProcess::NotRunning) return;
#ifdef _WIN32
    process_.terminate();
#else
    ::kill(static_cast<pid_t>(process_.processId()), SIGINT);
#endif
}

ToolEnd QtToolProcess::end() const {
    // A tool that a signal ended has the signal's number as its exit code.
    return {process_.exitStatus() == QProcess::CrashExit, process_.exitCode()};
}

}  // namespace quillon
