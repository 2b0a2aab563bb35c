// The library builder: reads the paths file, lists each folder, merges the
// listings and keeps the tracks of the chosen file types in the library file.
#ifndef SONGWHIM_LIBRARY_BUILD_H_
#define SONGWHIM_LIBRARY_BUILD_H_

// Builds the library file named by `Library` from the paths file named by
// `Paths`. Returns false, after saying why, when the build had to stop; the
// library file is then left as it was.
bool MakeLibrary();

#endif  // SONGWHIM_LIBRARY_BUILD_H_
