// Where the simulated system keeps what a real system keeps between runs.
//
// Thread affinity: any thread (reads the environment only).
#pragma once

#include <filesystem>

namespace platform::sim {

// $TAVLO_SIM_DIR when set; otherwise $XDG_STATE_HOME/tavlo-sim when that is an absolute path;
// otherwise $HOME/.local/state/tavlo-sim. The folder is not created here.
std::filesystem::path DefaultStateDirectory();

}  // namespace platform::sim
