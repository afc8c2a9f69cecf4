#include "UnprivilegedUser.h"

#include <sys/types.h>
#include <unistd.h>

namespace {

// The user and group ids of "nobody" on Debian.
constexpr uid_t nobodyUser = 65534;
constexpr gid_t nobodyGroup = 65534;

} // namespace

UnprivilegedUser::UnprivilegedUser()
{
    if (geteuid() != 0) {
        return;
    }
    // The group goes first: once the user is no longer root it could not be
    // changed.
    if (setegid(nobodyGroup) != 0) {
        return;
    }
    if (seteuid(nobodyUser) != 0) {
        setegid(0);
        return;
    }
    switched = true;
}

UnprivilegedUser::~UnprivilegedUser()
{
    if (switched) {
        [[maybe_unused]] const int user = seteuid(0);
        [[maybe_unused]] const int group = setegid(0);
    }
}

bool UnprivilegedUser::permissionsBind() const
{
    return geteuid() != 0;
}
