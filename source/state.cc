#include "source/state.h"

std::string Path;
std::string Library = "library.txt";
std::string Paths = "paths.ini";
std::string DoSys;
int PCount = 0;
int CCount = 0;

std::vector<std::string> Remove;
std::vector<std::string> Allow;
std::string Filetype;
