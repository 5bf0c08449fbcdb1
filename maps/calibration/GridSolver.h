#pragma once
// Fits projected coordinates to pixels, one axis at a time:
//   pixel x = ax * X + bx,  pixel y = ay * Y + by
// by least squares over all reference points (two points give the exact line).
#include <optional>
#include <string>
#include <vector>

namespace trek {

// The message and title shown when the reference points cannot carry a fit.
extern const char* const kGridBadPointsMessage;  // "Reference points are located badly!\r\nx(m)=x(n) or y(m)=y(n)"
extern const char* const kGridBadPointsTitle;    // "Grid"

struct GridSample {
    double px = 0, py = 0;  // pixel
    double gx = 0, gy = 0;  // projected coordinate
};

struct GridFit {
    double ax = 0, bx = 0;
    double ay = 0, by = 0;
    bool valid = false;
    // Projected -> pixel (doubles) and back.
    double PixelX(double gx) const { return ax * gx + bx; }
    double PixelY(double gy) const { return ay * gy + by; }
    double GridX(double px) const { return (px - bx) / ax; }
    double GridY(double py) const { return (py - by) / ay; }
};

// Rejects any pair of samples that shares a pixel x or a pixel y, then fits.
// Also refuses fewer than two samples and degenerate projected values (all
// equal on an axis). nullopt on failure.
std::optional<GridFit> SolveGrid(const std::vector<GridSample>& samples);

}  // namespace trek
