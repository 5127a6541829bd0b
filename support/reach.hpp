#pragma once

#include <array>
#include <sys/types.h>

namespace boardmap::support {

// What a run may reach through the names in the working directory, the mailbox's. A sysop who
// is root runs the tool, and root's programs call the module, in a directory whose names another
// account makes: the mailbox's own user, who can put a link or a hard link to any file there.
// Such a run opens through those names only what that account could open itself: root's
// reach over them would show or drain what the account may not read. Any other user's run has
// its own reach, which the account cannot widen.
struct reach {
    bool restricted = false; // root, in a directory whose names another account can make
    uid_t uid = 0;           // that account's filesystem identity
    gid_t gid = 0;
};

// The reach over the working directory's names: that of the directory's owner and group when
// another account owns it; where root owns it but a group or anyone may write it, that of
// nobody in that group (or in nogroup); root's own otherwise, and for every other user.
reach reach_of_working_directory();

// A regular file of root's that has no other name than this one, directly in the working
// directory: a file root made there (a table of root's own), which no other account can make
// root open by a name of its choice; it may rename it, but not make it. An O_PATH descriptor
// of it, found without following a link, or -1.
int locate_roots_own(const char* name);

// While it lives, the calling thread opens files with the reach's filesystem identity (its
// uid and gid, no supplementary group), and root's again from its end. The identity is the
// thread's own (setfsuid, setfsgid and a setgroups of the thread alone), so that another thread
// keeps root's. A run that fails must give it back first: nothing ends the run while it is
// held. held() is false when the reach is restricted and the identity could not be taken, and
// then nothing may be opened.
class account_identity {
  public:
    explicit account_identity(const reach& who);
    ~account_identity();
    account_identity(const account_identity&) = delete;
    account_identity& operator=(const account_identity&) = delete;

    bool held() const { return held_; }

  private:
    bool taken_ = false; // root's identity was changed and must be given back
    bool held_ = true;
    uid_t root_fsuid_ = 0;
    gid_t root_fsgid_ = 0;
    int dumpable_ = 1;
    int group_count_ = 0;
    std::array<gid_t, 64> groups_{}; // root's supplementary groups, given back at the end
};

} // namespace boardmap::support
