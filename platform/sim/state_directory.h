// Where the simulated system keeps what a real system keeps between runs, and where its control
// socket lives: both in a folder only the user (and root) can reach.
//
// Thread affinity: any thread (reads the environment and the file system only).
#pragma once

#include <filesystem>

#include "base/private_folder.h"

namespace platform::sim {

// $TAVLO_SIM_DIR when set; otherwise $XDG_STATE_HOME/tavlo-sim when that is an absolute path;
// otherwise $HOME/.local/state/tavlo-sim. The folder is not created here.
std::filesystem::path DefaultStateDirectory();

// The control socket of the simulated system kept in `state_dir`: a program and a tavlo-sim
// that see the same state folder meet there.
std::filesystem::path ControlSocketPath(const std::filesystem::path& state_dir);

// Makes `state_dir`, and any missing folder above it, with mode 0700, or checks the existing
// one: it must be a real folder of the effective user that group and others cannot write to;
// read and search bits they have are taken away (the state holds the passphrase). Refused
// folders are left as they are.
base::FolderProblem PrepareStateDirectory(const std::filesystem::path& state_dir);

}  // namespace platform::sim
