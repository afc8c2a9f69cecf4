#include "ProcessMemory.h"

#include <fstream>
#include <sstream>
#include <string>

double ProcessMemory::peakResidentMiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            std::istringstream fields(line.substr(6));
            double kibibytes = 0.0;
            fields >> kibibytes;
            return kibibytes / 1024.0;
        }
    }
    return 0.0;
}
