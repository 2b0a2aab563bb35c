// Two builds at once would share the listings and the merge file, or write one
// library from two sides, so each build holds two locks for its whole run: one
// for the working folder's temporary files, one for the library it writes.
#ifndef SONGWHIM_LIBRARY_BUILD_LOCK_H_
#define SONGWHIM_LIBRARY_BUILD_LOCK_H_

#include <string>

// Takes the build's locks on the working folder and on the library file
// `library`. False, with `err` saying which lock could not be had and why.
bool LockBuild(const std::string& library, std::string* err);

// Drops the build's locks and removes their files. Safe in a signal handler.
void UnlockBuild();

#endif  // SONGWHIM_LIBRARY_BUILD_LOCK_H_
