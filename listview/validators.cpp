#include "listview/corvella_view.h"

namespace corvella {

int CCorvellaView::ValidateField(std::string&, int, bool, int) { return 0; }
int CCorvellaView::ValidateTeamInd(std::string&, int, bool) { return 1; }
int CCorvellaView::ValidateTop3(std::string&, int, bool) { return 1; }
int CCorvellaView::ValidateGameSeason(std::string&, int, bool) { return 1; }
int CCorvellaView::ValidateSignNumber(std::string&, int, bool) { return 1; }
int CCorvellaView::ValidateDisplayMode(std::string&, int, bool) { return 1; }
int CCorvellaView::ValidateTimesToDisplay(std::string&, int, bool) { return 1; }
int CCorvellaView::ValidateDrive(std::string&, int, bool) { return 1; }
int CCorvellaView::ValidateLibrary(std::string&, int, bool) { return 1; }
int CCorvellaView::ValidateSequence(std::string&, int, bool) { return 1; }
int CCorvellaView::ValidateFrame(std::string&, int, bool) { return 1; }
int CCorvellaView::ValidateOffset(std::string&, int, bool) { return 1; }

}  // namespace corvella
