// The merge: the build's listing files, joined in number order into the
// merge file that the filter reads.
#ifndef SONGWHIM_LIBRARY_MERGE_H_
#define SONGWHIM_LIBRARY_MERGE_H_

#include <string>

// Joins listing files 1 to PCount into the merge file and deletes them. False,
// with `err` saying why, when a listing cannot be read or the merge file
// cannot be written.
bool MergeListings(std::string* err);

#endif  // SONGWHIM_LIBRARY_MERGE_H_
