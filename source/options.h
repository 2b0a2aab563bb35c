// The command line: the banner, the help text and the option scan.
#ifndef SONGWHIM_SOURCE_OPTIONS_H_
#define SONGWHIM_SOURCE_OPTIONS_H_

#include "library/build.h"
#include "playlist/playlist.h"

void PrintBanner();

// True when some argument asks for help rather than for a run.
bool WantsHelp(int argc, char** argv);
void PrintUsage();

// Reads the options into `GotoMode`, `choice`, `build`, `Library` and
// `Paths`, printing what each one did. False, having said so, when an option
// lacks its value.
bool ScanOptions(int argc, char** argv, int* GotoMode, PlaylistChoice* choice,
                 BuildChoice* build);

#endif  // SONGWHIM_SOURCE_OPTIONS_H_
