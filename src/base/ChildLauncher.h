#pragma once

#include "base/BoundedCall.h"

#include <optional>
#include <string>
#include <sys/types.h>

// A process forked while the program is still small, before its window and
// GL context exist, that forks the bounded children in the program's place
// and relays what they reply. Forking the program itself copies the page
// tables of the driver's hundreds of megabytes and tearing the copy down
// again takes as long: milliseconds a file, several times over at
// start-up. A child of the launcher costs a fraction of that, and still
// starts afresh for every file.
//
// The launcher runs tasks by their address, which is the same in it as in
// the program, since it is a copy of the same process. It ends with the
// program: when the program closes its end of the connection, or dies.
class ChildLauncher {
public:
    // Forks the launcher, if it does not run yet. False when it cannot be
    // started; bounded calls then fork the program itself.
    static bool start();
    // Ends the launcher and waits for it, so that the program's resource
    // usage counts its children's.
    static void stop();
    static bool isRunning() { return connection >= 0; }
    // The launcher's process; -1 when none runs.
    static pid_t processId() { return launcher; }

    // The outcome of the task in a child of the launcher; nothing when no
    // launcher runs, or it failed, in which case it is stopped for good.
    static std::optional<BoundedCall::Outcome> run(BoundedCall::Task task, const std::string& request,
                                                   const BoundedCall::Limits& limits);

private:
    static int connection;
    static pid_t launcher;
};
