#pragma once

// The terminal front end: the same batch run as the window, driven from a
// command line. It registers and creates the Player engine beside the
// program through the component registry, makes the window's checks (with
// the overwrite question asked on the terminal), runs the batch loop over a
// message queue and prints the status log.

namespace vantor {

// Exit statuses.
constexpr int kCliSucceeded = 0; // every movie succeeded or was already current
constexpr int kCliFailed = 1; // a movie failed, or the run was cancelled
constexpr int kCliRefused = 2; // bad arguments, or a check stopped the start

int RunCli(int argc, char** argv);

} // namespace vantor
