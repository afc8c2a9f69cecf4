#include "Machine.h"

#include "BenchResults.h"

#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

void Machine::describe(MachineInfo& machine)
{
    machine.cores = std::thread::hardware_concurrency();
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line)) {
        if (line.rfind("model name", 0) == 0) {
            const std::size_t colon = line.find(':');
            machine.cpu = colon == std::string::npos ? line : line.substr(line.find_first_not_of(' ', colon + 1));
            return;
        }
    }
    machine.cpu = "unknown CPU";
}

void Machine::readLoadAverage(double (&load)[3])
{
    if (getloadavg(load, 3) != 3) {
        load[0] = load[1] = load[2] = 0.0;
    }
}
