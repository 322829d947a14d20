// ToolProcess over QProcess (Qt Core only: the command line uses it too, without widgets).
#pragma once

#include <QProcess>

#include "convert/tool_process.h"

namespace quillon {

class QtToolProcess : public ToolProcess {
public:
    QtToolProcess() = default;
    ~QtToolProcess() override;

    bool start(const std::string& program, const std::vector<std::string>& arguments, const std::string& workingFolder,
               const std::string& outputFile) override;
    bool waitForEnd(int milliseconds) override;
    void interrupt() override;
    ToolEnd end() const override;

private:
    QProcess process_;
};

}  // namespace quillon
