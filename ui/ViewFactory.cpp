#include "ui/ViewFactory.h"

#include "ui/views/NamedView.h"
#include "ui/views/TrackingView.h"

namespace trek {

namespace {

struct ViewRow {
    ViewKind kind;
    const char* name;
    std::unique_ptr<View> (*make)(ViewKind kind, platform::Window* window, const char* name);
};

std::unique_ptr<View> MakeNamed(ViewKind kind, platform::Window* window, const char* name) {
    return std::make_unique<NamedView>(kind, window, name);
}

// The moving map on the process-wide settings, catalogue and POI symbols.
std::unique_ptr<View> MakeTracking(ViewKind kind, platform::Window* window, const char*) {
    return std::make_unique<TrackingView>(kind, window);
}

constexpr ViewRow kViews[] = {
    {ViewKind::SmallInfo, "Info", MakeNamed},
    {ViewKind::Nmea, "NMEA", MakeNamed},
    {ViewKind::Profile, "Profil", MakeNamed},
    {ViewKind::TrackingA, "Tracking View", MakeTracking},
    {ViewKind::TrackingB, "Tracking View", MakeTracking},
    {ViewKind::GeoCaching, "GeoCaching", MakeNamed},
    {ViewKind::Satellites, "Satelliten", MakeNamed},
    {ViewKind::Roadbook, "Roadbook-Navi", MakeNamed},
};

const ViewRow* Row(ViewKind kind) {
    for (const ViewRow& row : kViews)
        if (row.kind == kind) return &row;
    return nullptr;
}

}  // namespace

std::unique_ptr<View> CreateView(ViewKind kind, platform::Window* window) {
    const ViewRow* row = Row(kind);
    return row ? row->make(kind, window, row->name) : nullptr;
}

const char* ViewKindName(ViewKind kind) {
    const ViewRow* row = Row(kind);
    return row ? row->name : "";
}

}  // namespace trek
