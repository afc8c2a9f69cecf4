#pragma once

struct MachineInfo;

// What the figures were measured on, as far as the process can see it.
class Machine {
public:
    // The CPU model and the number of cores.
    static void describe(MachineInfo& machine);
    // The load averages over 1, 5 and 15 minutes; zeros when unknown.
    static void readLoadAverage(double (&load)[3]);
};
