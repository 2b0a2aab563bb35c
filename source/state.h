// Program-wide state shared by the entry module, the library builder and the
// playlist maker. Every buffer is a growing string or vector, so no line, name
// or table is ever cut short.
#ifndef SONGWHIM_SOURCE_STATE_H_
#define SONGWHIM_SOURCE_STATE_H_

#include <string>
#include <vector>

extern std::string Path;     // the line being handled, newline kept when present
extern std::string Library;  // library file name
extern std::string Paths;    // paths file name
extern std::string DoSys;    // command line or listing file name of the moment
extern int PCount;           // folder listings made in this run
extern int CCount;           // steps left in the current walk

extern std::vector<std::string> Remove;  // [ignore] path prefixes
extern std::vector<std::string> Allow;   // [filetypes] entries, last three characters
extern std::string Filetype;             // file type of the line being filtered

#endif  // SONGWHIM_SOURCE_STATE_H_
