#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Where the log file may lie, and the parts of the start entry. Used by the
// log itself and by its tests.

// Decides whether the block device major:minor (for file systems without a
// device number of their own, the device named as the mount source) is removable.
using RemovableDeviceCheck =
    std::function<bool(unsigned major, unsigned minor, const std::string& source)>;

// The mount points of local, non-removable disk file systems in the order of a
// /proc/self/mountinfo text; each file system counts once, and only where its
// own root is mounted (bind mounts of sub-folders are skipped).
std::vector<std::string> parseLocalFixedMountRoots(std::string_view mountinfo,
                                                   const RemovableDeviceCheck& isRemovable);

// The same for the running system (reads /proc/self/mountinfo and sysfs).
std::vector<std::string> localFixedMountRoots();

// Folders searched for VM_<module>.log, in order: $HOME, then the mount roots
// unless the search is restricted to $HOME.
std::vector<std::string> logSearchFolders();

// Restricts the search to $HOME (tests must not depend on the machine's roots).
void setLogSearchHomeOnly(bool homeOnly);

// Forgets the log path and level, so that OpenLog may search again.
void resetLogState();

// The log path found by OpenLog (or the last one tried); empty before.
std::string logPath();
int logLevel();

// File version text: "1.05", "1.05.12" with a build, "1.05.0.3" with a revision.
std::string fileVersionText(int major, int minor, int build, int revision);
