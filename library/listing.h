// Listing one [add] folder of the build into its numbered listing file, with
// the console line that shows it.
#ifndef SONGWHIM_LIBRARY_LISTING_H_
#define SONGWHIM_LIBRARY_LISTING_H_

#include <string>

// Lists `folder` into the next numbered listing file. False, with `err` saying
// why, when the listing cannot be written.
bool MakeDir(const std::string& folder, std::string* err);

#endif  // SONGWHIM_LIBRARY_LISTING_H_
