// Listing one [add] folder of the build into its numbered listing file, with
// the console line that shows it.
#ifndef SONGWHIM_LIBRARY_LISTING_H_
#define SONGWHIM_LIBRARY_LISTING_H_

#include <string>

// Lists `folder` into the next numbered listing file, with each file's stamp
// when `stamps` is set. False, with `err` saying why, when the listing cannot
// be written.
bool MakeDir(const std::string& folder, std::string* err, bool stamps = false);

#endif  // SONGWHIM_LIBRARY_LISTING_H_
