#include "Platform/ChildProcesses.h"

#include <QProcess>
#include <QProcessEnvironment>

namespace lumivast {

std::optional<QString> QtChildProcesses::startDetached(const QString& program, const QStringList& arguments,
                                                       const std::map<QString, QString>& environment)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : environment)
        env.insert(name, value);
    process.setProcessEnvironment(env);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    if (!process.startDetached())
        return process.errorString();
    return std::nullopt;
}

std::optional<QByteArray> QtChildProcesses::runReadingOutput(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(-1))
        return std::nullopt;
    // Waiting drains the pipe into the process's buffer, so a long listing cannot block the tool.
    process.waitForFinished(-1);
    return process.readAllStandardOutput();
}

} // namespace lumivast
