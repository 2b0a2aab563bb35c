#include "base/state.h"

std::string Library = "library.txt";
std::string Paths = "paths.ini";

int PCount = 0;
std::string DoSys;
PrefixSet Remove;
std::vector<std::string> Allow;
std::string Filetype;

std::string Path;
int CCount = 0;
