#pragma once
// The thirteen columns of the request list: their titles, and the widths
// that keep titles and entries whole in the list's font.

namespace corvella {

class ListControl;
class TextMeasure;

// Empties `list` and gives it the columns, each as wide as its title and
// margin measured by `measure` (none: an average character width). No column
// becomes narrower than three digits and the margins of the drawing, whatever
// width is stored or dragged later.
void SetupColumns(ListControl& list, const TextMeasure* measure);

// The width at which `column` shows its title and every entry whole (on the
// screen, and on paper, which follows the screen's widths).
int FittingColumnWidth(const ListControl& list, const TextMeasure* measure, int column);

}  // namespace corvella
