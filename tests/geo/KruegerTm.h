#pragma once
// An independent transverse Mercator for checking cUTM: Krueger's series in
// the third flattening n to fourth order (Karney 2011), accurate to well
// below a millimetre within a few degrees of the central meridian. It shares
// no code and no formula with the classic series under test.
#include <cmath>

namespace trek::testing {

class KruegerTm {
public:
    KruegerTm() {
        const double f = 1 / 298.257223563;
        const double n = f / (2 - f), n2 = n * n, n3 = n2 * n, n4 = n3 * n;
        e_ = std::sqrt(f * (2 - f));
        A_ = 6378137.0 / (1 + n) * (1 + n2 / 4 + n4 / 64);
        alpha_[0] = n / 2 - 2 * n2 / 3 + 5 * n3 / 16 + 41 * n4 / 180;
        alpha_[1] = 13 * n2 / 48 - 3 * n3 / 5 + 557 * n4 / 1440;
        alpha_[2] = 61 * n3 / 240 - 103 * n4 / 140;
        alpha_[3] = 49561 * n4 / 161280;
        beta_[0] = n / 2 - 2 * n2 / 3 + 37 * n3 / 96 - n4 / 360;
        beta_[1] = n2 / 48 + n3 / 15 - 437 * n4 / 1440;
        beta_[2] = 17 * n3 / 480 - 37 * n4 / 840;
        beta_[3] = 4397 * n4 / 161280;
        delta_[0] = 2 * n - 2 * n2 / 3 - 2 * n3 + 116 * n4 / 45;
        delta_[1] = 7 * n2 / 3 - 8 * n3 / 5 - 227 * n4 / 45;
        delta_[2] = 56 * n3 / 15 - 136 * n4 / 35;
        delta_[3] = 4279 * n4 / 630;
    }

    // Latitude and longitude difference from the central meridian in radians
    // -> easting, northing without false easting/northing, k0 = 0.9996.
    void Forward(double phi, double dl, double& x, double& y) const {
        const double s = std::sin(phi);
        const double t = std::sinh(std::atanh(s) - e_ * std::atanh(e_ * s));
        const double xi1 = std::atan2(t, std::cos(dl));
        const double eta1 = std::atanh(std::sin(dl) / std::sqrt(1 + t * t));
        double xi = xi1, eta = eta1;
        for (int j = 1; j <= 4; ++j) {
            xi += alpha_[j - 1] * std::sin(2 * j * xi1) * std::cosh(2 * j * eta1);
            eta += alpha_[j - 1] * std::cos(2 * j * xi1) * std::sinh(2 * j * eta1);
        }
        x = k0 * A_ * eta;
        y = k0 * A_ * xi;
    }

    void Inverse(double x, double y, double& phi, double& dl) const {
        const double xi = y / (k0 * A_), eta = x / (k0 * A_);
        double xi1 = xi, eta1 = eta;
        for (int j = 1; j <= 4; ++j) {
            xi1 -= beta_[j - 1] * std::sin(2 * j * xi) * std::cosh(2 * j * eta);
            eta1 -= beta_[j - 1] * std::cos(2 * j * xi) * std::sinh(2 * j * eta);
        }
        const double chi = std::asin(std::sin(xi1) / std::cosh(eta1));
        phi = chi;
        for (int j = 1; j <= 4; ++j) phi += delta_[j - 1] * std::sin(2 * j * chi);
        dl = std::atan2(std::sinh(eta1), std::cos(xi1));
    }

private:
    static constexpr double k0 = 0.9996;
    double e_, A_;
    double alpha_[4], beta_[4], delta_[4];
};

}  // namespace trek::testing
