#include "panel/grid_panel.h"

namespace {

// Static storage: constructed when the library is loaded, before the host calls any export.
GridPanel thePanel;

}  // namespace

GridPanel& gridPanel() {
    return thePanel;
}
