#pragma once
// Which class each view kind is. The main window asks here for its eight
// views: the two tracking panes get the moving map (TrackingView); a kind
// whose own view does not exist yet gets a NamedView, which draws the view's
// name and nothing else. Adding a real view means changing its row in
// ViewFactory.cpp.
#include <memory>

#include "ui/View.h"

namespace trek {

// A new view of the kind, drawing in window (the pane or the info strip).
std::unique_ptr<View> CreateView(ViewKind kind, platform::Window* window);

// The display name of a kind ("Tracking View", "Satelliten", ...).
const char* ViewKindName(ViewKind kind);

}  // namespace trek
