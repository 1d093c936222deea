#pragma once
// The request file of the list: which file a path names (CCorvellaView::
// OnInitialUpdate, SaveRequests and the sport commands in view_file.cpp;
// whether it can be read is CanOpenForReading of requests/document.h).
//
// Loading reads the file once and passes every value through its field check
// in loading mode (messages on, bad values replaced). Saving passes every cell
// through its check in quiet mode, keeps the normalised text in the cell, and
// writes the finished text in one atomic step, so the file on disk is always
// either the old list or the new one.

#include <string>

namespace corvella {

// The request file name a path ends in: its last eight characters
// ("BASK.REQ", "FOOT.REQ"), the whole path when shorter.
std::string RequestFileName(const std::string& path);

// True when the path names the Football request file: its file name begins
// with "FOOT". Folders are not looked at, so one named like "football" does
// not make another sport's list Football.
bool IsFootballFile(const std::string& path);

}  // namespace corvella
