#pragma once

// While alive, the process acts as the unprivileged user "nobody" when it
// was root, so that file permissions bind it: the suite runs as root on CI
// machines, and root reads every file whatever its mode.
class UnprivilegedUser {
public:
    UnprivilegedUser();
    ~UnprivilegedUser();
    UnprivilegedUser(const UnprivilegedUser&) = delete;
    UnprivilegedUser& operator=(const UnprivilegedUser&) = delete;

    // False when the process is still root, having failed to give it up.
    bool permissionsBind() const;

private:
    bool switched = false;
};
