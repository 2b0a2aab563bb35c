// The modes a run can end up in, how the files on disk move it from one to
// the next, and the one job each mode does.
#ifndef SONGWHIM_SOURCE_MODES_H_
#define SONGWHIM_SOURCE_MODES_H_

#include "library/build.h"
#include "playlist/playlist.h"

enum { kDoNothing = 0, kMakePlaylist = 1, kBuildLibrary = 2 };

// Looks for the library file and then the paths file and moves `GotoMode` on
// when one is missing, with the advice the user needs. False, having said why,
// when one is there but cannot be read: the run then does nothing.
bool ProbeFiles(int* GotoMode);

// Does the job of `GotoMode`. False when it failed, having said why.
bool RunMode(int GotoMode, const PlaylistChoice& choice, const BuildChoice& build);

#endif  // SONGWHIM_SOURCE_MODES_H_
