#pragma once
// The column widths the operator set, per sport: kept in the user's
// configuration (corvella/columns.ini) and put back whenever that sport's
// list is loaded.

#include <string>

namespace corvella {

class ListControl;

// Keeps the widths of `list`'s columns as those of the sport of `sportFile`.
void KeepColumnWidths(const ListControl& list, const std::string& sportFile);
// Puts back the widths kept for the sport of `sportFile`; false when none
// were kept (or they are not of this program's columns).
bool RestoreColumnWidths(ListControl& list, const std::string& sportFile);

}  // namespace corvella
