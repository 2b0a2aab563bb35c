// Start-up: the banner, the option scan and the probes that choose the mode.
#ifndef SONGWHIM_SOURCE_OPTIONS_H_
#define SONGWHIM_SOURCE_OPTIONS_H_

// The modes a run can end up in.
enum { kDoNothing = 0, kMakePlaylist = 1, kBuildLibrary = 2 };

void PrintBanner();

// True when some argument asks for help rather than for a run.
bool WantsHelp(int argc, char** argv);
void PrintUsage();

// Reads the options into `many`, `GotoMode`, `Library`, `Paths` and
// `shuffle`, printing what each one did.
void ScanOptions(int argc, char** argv, int* many, int* GotoMode, bool* shuffle);

// Looks for the library file and then the paths file and moves `GotoMode` on
// when one is missing, with the advice the user needs.
void ProbeFiles(int* GotoMode);

#endif  // SONGWHIM_SOURCE_OPTIONS_H_
