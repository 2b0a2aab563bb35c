// The program-wide names, each with the one meaning its comment gives and one
// function that writes it. Every buffer is a growing string or vector, so no
// line, name or table is ever cut short.
#ifndef SONGWHIM_BASE_STATE_H_
#define SONGWHIM_BASE_STATE_H_

#include <string>
#include <vector>

#include "base/prefix_set.h"

extern std::string Library;  // library file name; set by the option scan
extern std::string Paths;    // paths file name; set by the option scan

extern int PCount;         // folder listings made by this build; counted by MakeDir
extern std::string DoSys;  // the listing file MakeDir writes now; set by MakeDir
extern PrefixSet Remove;   // [ignore] path prefixes; set by MakeLibrary
extern std::vector<std::string> Allow;  // [filetypes] entries, last three characters,
                                        // in lower case and sorted; set by MakeLibrary
extern std::string Filetype;  // file type of the line being filtered; set by IsWanted

extern std::string Path;  // the library line the playlist's walk stands on, newline
                          // kept; moved by Walk
extern int CCount;        // steps left in the current walk; counted down by Walk

#endif  // SONGWHIM_BASE_STATE_H_
