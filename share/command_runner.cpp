#include "share/command_runner.h"

#include "platform/process.h"

void runShellCommand(const std::string& commandLine) {
    platform::runCommandInterpreter(commandLine);
}
