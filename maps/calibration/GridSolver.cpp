#include "maps/calibration/GridSolver.h"

#include <cmath>

namespace trek {

const char* const kGridBadPointsMessage = "Reference points are located badly!\r\nx(m)=x(n) or y(m)=y(n)";
const char* const kGridBadPointsTitle = "Grid";

namespace {

// Least-squares line p = a * g + b over (g, p) pairs; false when g does not vary.
bool FitLine(const std::vector<GridSample>& samples, bool xAxis, double& a, double& b) {
    const double n = double(samples.size());
    double meanG = 0, meanP = 0;
    for (const auto& s : samples) {
        meanG += xAxis ? s.gx : s.gy;
        meanP += xAxis ? s.px : s.py;
    }
    meanG /= n;
    meanP /= n;
    double sgg = 0, sgp = 0;
    for (const auto& s : samples) {
        const double g = (xAxis ? s.gx : s.gy) - meanG;
        const double p = (xAxis ? s.px : s.py) - meanP;
        sgg += g * g;
        sgp += g * p;
    }
    if (!(sgg > 0) || !std::isfinite(sgg)) return false;
    a = sgp / sgg;
    b = meanP - a * meanG;
    return a != 0 && std::isfinite(a) && std::isfinite(b);
}

}  // namespace

std::optional<GridFit> SolveGrid(const std::vector<GridSample>& samples) {
    if (samples.size() < 2) return std::nullopt;
    for (size_t m = 0; m < samples.size(); ++m)
        for (size_t n = m + 1; n < samples.size(); ++n)
            if (samples[m].px == samples[n].px || samples[m].py == samples[n].py) return std::nullopt;
    GridFit fit;
    if (!FitLine(samples, true, fit.ax, fit.bx) || !FitLine(samples, false, fit.ay, fit.by)) return std::nullopt;
    fit.valid = true;
    return fit;
}

}  // namespace trek
