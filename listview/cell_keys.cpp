#include "listview/cell_keys.h"

#include <string>

#include "platform/list_control.h"
#include "platform/text.h"
#include "platform/vk.h"
#include "requests/request_record.h"

namespace corvella {

namespace {

bool IsLetterKey(unsigned key) { return key >= 'A' && key <= 'Z'; }

// A cell's leading integer stepped by `delta`; a result below `low` wraps to
// `high` and one above `high` wraps to `low`.
std::string StepWrapped(const std::string& text, int delta, int low, int high) {
  const long long next = static_cast<long long>(LeadingInt(text)) + delta;
  if (next < low) return std::to_string(high);
  if (next > high) return std::to_string(low);
  return std::to_string(next);
}

}  // namespace

int StepOfKey(unsigned key) {
  if (key == VK_ADD || key == VK_OEM_PLUS) return 1;
  if (key == VK_SUBTRACT || key == VK_OEM_MINUS) return -1;
  return 0;
}

void StepCellsOfColumn(ListControl& list, const std::vector<int>& rows, int column, int delta) {
  switch (column) {
    case COL_SIGN:
      for (int row : rows) {
        list.SetItemText(row, COL_SIGN, StepWrapped(list.GetItemText(row, COL_SIGN), delta, 1, 16));
      }
      break;
    case COL_TIMES:
      for (int row : rows) {
        if (list.GetItemText(row, COL_DISPLAY_MODE) != kContinuous) continue;
        list.SetItemText(row, COL_TIMES,
                         StepWrapped(list.GetItemText(row, COL_TIMES), delta, 1, 99999));
      }
      break;
    case COL_FRAME:
      // Single Step rows step as well; only Continuous rows are skipped.
      for (int row : rows) {
        if (list.GetItemText(row, COL_DISPLAY_MODE) == kContinuous) continue;
        list.SetItemText(row, COL_FRAME,
                         StepWrapped(list.GetItemText(row, COL_FRAME), delta, 1, 9999));
      }
      break;
    case COL_OFFSET:
      for (int row : rows) {
        list.SetItemText(row, COL_OFFSET,
                         StepWrapped(list.GetItemText(row, COL_OFFSET), delta, 0, kMaxOffset));
      }
      break;
    default: break;
  }
}

void SetCodesByLetter(ListControl& list, const std::vector<int>& rows, int column, unsigned key,
                      bool football) {
  // T or I on Team/Ind; a team request has no Top 3 statistic.
  if ((key == 'T' || key == 'I') && column == COL_TEAM_IND) {
    const std::string letter(1, static_cast<char>(key));
    for (int row : rows) {
      if (key == 'T' && TeamClearsTop3(list.GetItemText(row, COL_TOP3), Judged::kFirstLetter)) {
        list.SetItemText(row, COL_TOP3, std::string(kNoTop3));
      }
      list.SetItemText(row, COL_TEAM_IND, letter);
    }
  }

  // C, N, P, R or T on Top 3, in Football only; team rows keep theirs.
  if ((key == 'C' || key == 'N' || key == 'P' || key == 'R' || key == 'T') && column == COL_TOP3 &&
      football) {
    const std::string letter(1, static_cast<char>(key));
    for (int row : rows) {
      if (list.GetItemText(row, COL_TEAM_IND).rfind('T', 0) == 0) continue;
      list.SetItemText(row, COL_TOP3, letter);
    }
  }

  // C, F or S on Display Mode, with the Times to Display that goes with it.
  if ((key == 'C' || key == 'F' || key == 'S') && column == COL_DISPLAY_MODE) {
    const std::string mode(key == 'C' ? kContinuous : key == 'F' ? kSelectedFrame : kSingleStep);
    for (int row : rows) {
      const std::string times = list.GetItemText(row, COL_TIMES);
      const std::string kept = TimesForDisplayMode(mode, times, Judged::kFirstLetter);
      if (kept != times || key != 'C') list.SetItemText(row, COL_TIMES, kept);
      list.SetItemText(row, COL_DISPLAY_MODE, mode);
    }
  }

  // Any letter on Drive; C, F and S too.
  if (IsLetterKey(key) && column == COL_DRIVE) {
    const std::string letter(1, static_cast<char>(key));
    for (int row : rows) list.SetItemText(row, COL_DRIVE, letter);
  }
}

}  // namespace corvella
