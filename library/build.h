// The library builder: reads the paths file, lists each folder, merges the
// listings and keeps the tracks of the chosen file types in the library file.
#ifndef SONGWHIM_LIBRARY_BUILD_H_
#define SONGWHIM_LIBRARY_BUILD_H_

// What a build is asked to do besides the library.
struct BuildChoice {
  bool tags = false;  // write the tag index, even where there is none yet
};

// Builds the library file named by `Library` from the paths file named by
// `Paths`, and its tag index when asked or when there is one already.
// Returns false, after saying why, when the build had to stop; the library
// file and its index are then left as they were.
bool MakeLibrary(const BuildChoice& choice = BuildChoice());

#endif  // SONGWHIM_LIBRARY_BUILD_H_
