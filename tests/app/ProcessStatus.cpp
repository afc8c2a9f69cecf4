#include "ProcessStatus.h"

#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string procFile(pid_t pid, const char* name)
{
    return "/proc/" + std::to_string(pid) + "/" + name;
}

} // namespace

long residentKibibytes(pid_t pid)
{
    std::ifstream status(procFile(pid, "status"));
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            std::istringstream value(line.substr(6));
            long kibibytes = -1;
            value >> kibibytes;
            return kibibytes;
        }
    }
    return -1;
}

long long processorTicks(pid_t pid)
{
    std::ifstream statFile(procFile(pid, "stat"));
    std::string stat;
    std::getline(statFile, stat);
    // The command name in parentheses may hold blanks; the fields counted
    // from the closing one are fixed: state is the 3rd, utime the 14th and
    // stime the 15th of the whole line.
    const std::string::size_type nameEnd = stat.rfind(')');
    if (nameEnd == std::string::npos) {
        return -1;
    }
    std::istringstream fields(stat.substr(nameEnd + 1));
    std::string skipped;
    for (int field = 3; field < 14; ++field) {
        fields >> skipped;
    }
    long long user = -1;
    long long system = -1;
    fields >> user >> system;
    return fields ? user + system : -1;
}
