#pragma once
// The keys that change cells of the selected rows at once, without an
// editor (CCorvellaView::OnKeyDown hands them here): plus and minus step the
// number of the current column, and single letters set its code together
// with the cells that code decides.

#include <vector>

namespace corvella {

class ListControl;

// +1 for the keypad's plus and the main keyboard's plus (its equals key),
// -1 for either minus, 0 for any other key. The main keyboard's keys count
// because a screen reader takes the keypad for its own commands.
int StepOfKey(unsigned key);

// Steps the number in `column` of each of `rows` by `delta`, wrapping at the
// column's limits: Sign # 1 to 16, Times to Display 1 to 99999 (Continuous
// rows only), Frame 1 to 9999 (all but Continuous rows), Offset 0 to
// kMaxOffset. Other columns are left alone.
void StepCellsOfColumn(ListControl& list, const std::vector<int>& rows, int column, int delta);

// Sets the code that `key` (a virtual-key code; letters are upper-case)
// gives `column` in each of `rows`: T or I on Team/Ind (a team row loses its
// Top 3 statistic); C, N, P, R or T on Top 3 in Football only, sparing team
// rows; C, F or S on Display Mode with the Times to Display that goes with
// it; any letter on Drive. Any other key or column changes nothing.
void SetCodesByLetter(ListControl& list, const std::vector<int>& rows, int column, unsigned key,
                      bool football);

}  // namespace corvella
