#include "settings/ButtonActions.h"

#include <atomic>

namespace trek {

namespace {

std::atomic<ButtonActionTarget*> g_target{nullptr};
std::atomic<int> g_panStep{2};

struct ActionRow {
    int number;
    void (*run)(ButtonActionTarget& t, int step);
};

constexpr ActionRow kActions[] = {
    {1, [](ButtonActionTarget& t, int) { t.zoomStep(-1); }},
    {2, [](ButtonActionTarget& t, int) { t.zoomStep(+1); }},
    {3, [](ButtonActionTarget& t, int s) { t.pan(+s, 0); }},
    {4, [](ButtonActionTarget& t, int s) { t.pan(-s, 0); }},
    {5, [](ButtonActionTarget& t, int s) { t.pan(0, +s); }},
    {6, [](ButtonActionTarget& t, int s) { t.pan(0, -s); }},
    {7, [](ButtonActionTarget& t, int) { t.toggleFullScreen(); }},
    {9, [](ButtonActionTarget& t, int) { t.openSettings(); }},
    {10, [](ButtonActionTarget& t, int) { t.showLayout(0); }},
    {11, [](ButtonActionTarget& t, int) { t.showLayout(1); }},
    {12, [](ButtonActionTarget& t, int) { t.showLayout(2); }},
    {13, [](ButtonActionTarget& t, int) { t.toggleManagerList(); }},
    {14, [](ButtonActionTarget& t, int) { t.fullScreenMenuKey(); }},
    {15, [](ButtonActionTarget& t, int) { t.sendTab(); }},
    {16, [](ButtonActionTarget& t, int) { t.nextLayout(); }},
    {17, [](ButtonActionTarget& t, int) { t.toggleFollowGps(); }},
    {18, [](ButtonActionTarget& t, int) { t.addPoiHere(); }},
    {35, [](ButtonActionTarget& t, int s) { t.pan(+s, +s); }},
    {36, [](ButtonActionTarget& t, int s) { t.pan(+s, -s); }},
    {45, [](ButtonActionTarget& t, int s) { t.pan(-s, +s); }},
    {46, [](ButtonActionTarget& t, int s) { t.pan(-s, -s); }},
};

}  // namespace

void RegisterButtonActionTarget(ButtonActionTarget* target) { g_target = target; }

bool DoButtonAction(int action) {
    for (const ActionRow& row : kActions) {
        if (row.number != action) continue;
        if (ButtonActionTarget* t = g_target.load()) row.run(*t, g_panStep.load());
        return true;
    }
    return false;
}

int PanStep() { return g_panStep; }
void SetPanStep(int step) { g_panStep = step; }

}  // namespace trek
