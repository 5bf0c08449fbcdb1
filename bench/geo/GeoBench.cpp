// Throughput of the geodesy hot paths, and, when PROJ is available, the same
// conversions with PROJ for comparison. After the run a summary gives each of
// our rates as a multiple of PROJ's, and the largest difference between our
// UTM and PROJ's (an independent transverse Mercator).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "geo/GeoDistance.h"
#include "geo/GeoText.h"
#include "geo/GeoUnits.h"
#include "geo/Projection.h"
#include "geo/Utm.h"

#ifdef TREK_HAVE_PROJ
#include <proj.h>
#endif

namespace {

using namespace trek;
constexpr double kDeg = 0.017453292519943295;
constexpr size_t kPoints = 1 << 16;

// Points across zone 32 (6°..12° E) from 80° S to 84° N, in degrees.
struct PointSet {
    std::vector<double> lat, lon;          // degrees
    std::vector<double> latRad, lonRad;    // radians
    std::vector<double> easting, northing; // our UTM of each point (true values)
    std::vector<char> band;
    PointSet() {
        std::mt19937_64 rng(42);
        std::uniform_real_distribution<double> la(-80.0, 84.0), lo(6.0, 12.0);
        for (size_t i = 0; i < kPoints; ++i) {
            lat.push_back(la(rng));
            lon.push_back(lo(rng));
            latRad.push_back(lat.back() * kDeg);
            lonRad.push_back(lon.back() * kDeg);
            cUTM u;
            u.SetLatLon(lat.back(), lon.back(), 32);
            easting.push_back(u.easting - 0.5);
            northing.push_back(u.northing - 0.5 - (lat.back() < 0 ? 10000000.0 : 0.0));
            band.push_back(lat.back() < 0 ? 'C' : 'N');
        }
    }
};

const PointSet& Points() {
    static const PointSet p;
    return p;
}

void BM_UtmForward(benchmark::State& state) {
    const PointSet& p = Points();
    cUTM u;
    for (auto _ : state) {
        double sum = 0;
        for (size_t i = 0; i < kPoints; ++i) {
            u.SetLatLon(p.lat[i], p.lon[i], 32);
            sum += u.easting + u.northing;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kPoints));
}
BENCHMARK(BM_UtmForward);

void BM_UtmInverse(benchmark::State& state) {
    const PointSet& p = Points();
    cUTM u;
    for (auto _ : state) {
        double sum = 0;
        for (size_t i = 0; i < kPoints; ++i) {
            u.SetUtm(32, p.band[i], p.easting[i], p.northing[i] + (p.band[i] == 'C' ? 10000000.0 : 0.0));
            sum += u.latitude + u.longitude;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kPoints));
}
BENCHMARK(BM_UtmInverse);

// The four calibration projections around (10° E, 50° N), over ±5°.
struct ProjCase {
    ProjectionKind kind;
    double params[4];
    const char* proj;  // the same projection in PROJ's terms, on the unit sphere
};
const ProjCase kProjCases[] = {
    {ProjectionKind::Mercator, {10, 50, 0, 0}, "+proj=merc +R=1 +lon_0=10"},
    {ProjectionKind::TransverseMercator, {10, 50, 0, 0}, "+proj=tmerc +R=1 +lon_0=10 +lat_0=50"},
    {ProjectionKind::LambertAzimuthalEqualArea, {10, 50, 0, 0}, "+proj=laea +R=1 +lon_0=10 +lat_0=50"},
    {ProjectionKind::LambertConformalConic, {10, 50, 45, 55}, "+proj=lcc +R=1 +lon_0=10 +lat_0=50 +lat_1=45 +lat_2=55"},
};

struct LocalPoints {
    std::vector<double> lon, lat;  // radians
    LocalPoints() {
        std::mt19937_64 rng(7);
        std::uniform_real_distribution<double> lo(5.0, 15.0), la(45.0, 55.0);
        for (size_t i = 0; i < kPoints; ++i) {
            lon.push_back(lo(rng) * kDeg);
            lat.push_back(la(rng) * kDeg);
        }
    }
};
const LocalPoints& Local() {
    static const LocalPoints p;
    return p;
}

Projection MakeCase(const ProjCase& c) {
    double rad[4];
    const size_t n = static_cast<size_t>(ProjectionKindOf(c.kind).angleCount);
    for (size_t i = 0; i < n; ++i) rad[i] = c.params[i] * kDeg;
    return *Projection::Make(c.kind, rad, n);
}

void BM_ProjectionForward(benchmark::State& state) {
    const ProjCase& c = kProjCases[state.range(0)];
    const Projection proj = MakeCase(c);
    const LocalPoints& p = Local();
    for (auto _ : state) {
        double sum = 0, x = 0, y = 0;
        for (size_t i = 0; i < kPoints; ++i) {
            proj.Forward(p.lon[i], p.lat[i], x, y);
            sum += x + y;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetLabel(std::string(ProjectionKindOf(c.kind).shortName));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kPoints));
}
BENCHMARK(BM_ProjectionForward)->DenseRange(0, 3);

void BM_ProjectionInverse(benchmark::State& state) {
    const ProjCase& c = kProjCases[state.range(0)];
    const Projection proj = MakeCase(c);
    const LocalPoints& p = Local();
    std::vector<double> xs(kPoints), ys(kPoints);
    for (size_t i = 0; i < kPoints; ++i) proj.Forward(p.lon[i], p.lat[i], xs[i], ys[i]);
    for (auto _ : state) {
        double sum = 0, lambda = 0, phi = 0;
        for (size_t i = 0; i < kPoints; ++i) {
            proj.Inverse(xs[i], ys[i], lambda, phi);
            sum += lambda + phi;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetLabel(std::string(ProjectionKindOf(c.kind).shortName));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kPoints));
}
BENCHMARK(BM_ProjectionInverse)->DenseRange(0, 3);

const std::vector<std::string>& Texts() {
    static const std::vector<std::string> texts = [] {
        std::vector<std::string> t;
        std::mt19937 rng(3);
        char buf[kGeoTextCapacity];
        for (int i = 0; i < 4096; ++i) {
            const int32_t v = static_cast<int32_t>(rng() % 314159265) - 157079632;
            const auto f = static_cast<CoordinateFormat>(i % 3);
            FormatLatitude(buf, v, 4, f);
            t.emplace_back(buf);
        }
        return t;
    }();
    return texts;
}

void BM_ParseGeoAngle(benchmark::State& state) {
    const auto& texts = Texts();
    for (auto _ : state) {
        int64_t sum = 0;
        for (const std::string& t : texts) sum += ParseGeoAngle(t);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * texts.size()));
}
BENCHMARK(BM_ParseGeoAngle);

void BM_FormatLatitude(benchmark::State& state) {
    const auto format = static_cast<CoordinateFormat>(state.range(0));
    char buf[kGeoTextCapacity];
    for (auto _ : state) {
        size_t sum = 0;
        for (int32_t v = -157000000; v < 157000000; v += 76650) sum += FormatLatitude(buf, v, 4, format);
        benchmark::DoNotOptimize(sum);
    }
    state.SetLabel(format == CoordinateFormat::DegMin ? "dm" : format == CoordinateFormat::DegMinSec ? "dms" : "d");
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * (314000000 / 76650 + 1)));
}
BENCHMARK(BM_FormatLatitude)->DenseRange(0, 2);

void BM_GeoDistance(benchmark::State& state) {
    const PointSet& p = Points();
    std::vector<GeoPoint> g(kPoints);
    for (size_t i = 0; i < kPoints; ++i) g[i] = {DegreesToGeo(p.lon[i]), DegreesToGeo(p.lat[i] * 0.001 + 48)};
    for (auto _ : state) {
        double sum = 0;
        for (size_t i = 1; i < kPoints; ++i) sum += GeoDistance(g[i - 1], g[i]);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * (kPoints - 1)));
}
BENCHMARK(BM_GeoDistance);

#ifdef TREK_HAVE_PROJ
// PROJ converts arrays in one call (proj_trans_generic), its fastest form.
struct ProjHandle {
    PJ_CONTEXT* ctx = proj_context_create();
    PJ* pj = nullptr;
    explicit ProjHandle(const char* def) { pj = proj_create(ctx, def); }
    ~ProjHandle() {
        if (pj) proj_destroy(pj);
        proj_context_destroy(ctx);
    }
};

void ProjBatch(benchmark::State& state, const char* def, PJ_DIRECTION dir, const std::vector<double>& inX,
               const std::vector<double>& inY) {
    ProjHandle h(def);
    if (!h.pj) {
        state.SkipWithError("PROJ could not create the projection");
        return;
    }
    std::vector<double> x(inX.size()), y(inY.size());
    for (auto _ : state) {
        x = inX;
        y = inY;
        proj_trans_generic(h.pj, dir, x.data(), sizeof(double), x.size(), y.data(), sizeof(double), y.size(),
                           nullptr, 0, 0, nullptr, 0, 0);
        benchmark::DoNotOptimize(x.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * inX.size()));
}

void BM_ProjUtmForward(benchmark::State& state) {
    ProjBatch(state, "+proj=utm +zone=32 +ellps=WGS84", PJ_FWD, Points().lonRad, Points().latRad);
}
BENCHMARK(BM_ProjUtmForward);

void BM_ProjUtmInverse(benchmark::State& state) {
    const PointSet& p = Points();
    std::vector<double> e(kPoints), n(kPoints);
    for (size_t i = 0; i < kPoints; ++i) {
        e[i] = p.easting[i];
        n[i] = p.northing[i];  // "+proj=utm" without +south: southern northings negative
    }
    ProjBatch(state, "+proj=utm +zone=32 +ellps=WGS84", PJ_INV, e, n);
}
BENCHMARK(BM_ProjUtmInverse);

void BM_ProjProjectionForward(benchmark::State& state) {
    const ProjCase& c = kProjCases[state.range(0)];
    state.SetLabel(std::string(ProjectionKindOf(c.kind).shortName));
    ProjBatch(state, c.proj, PJ_FWD, Local().lon, Local().lat);
}
BENCHMARK(BM_ProjProjectionForward)->DenseRange(0, 3);

void BM_ProjProjectionInverse(benchmark::State& state) {
    const ProjCase& c = kProjCases[state.range(0)];
    state.SetLabel(std::string(ProjectionKindOf(c.kind).shortName));
    ProjHandle h(c.proj);
    std::vector<double> x = Local().lon, y = Local().lat;
    proj_trans_generic(h.pj, PJ_FWD, x.data(), sizeof(double), x.size(), y.data(), sizeof(double), y.size(), nullptr,
                       0, 0, nullptr, 0, 0);
    ProjBatch(state, c.proj, PJ_INV, x, y);
}
BENCHMARK(BM_ProjProjectionInverse)->DenseRange(0, 3);

// Largest distance between our UTM and PROJ's over the point set, in metres.
void PrintAccuracyAgainstProj() {
    const PointSet& p = Points();
    ProjHandle h("+proj=utm +zone=32 +ellps=WGS84");
    std::vector<double> x = p.lonRad, y = p.latRad;
    proj_trans_generic(h.pj, PJ_FWD, x.data(), sizeof(double), x.size(), y.data(), sizeof(double), y.size(), nullptr,
                       0, 0, nullptr, 0, 0);
    double worstFwd = 0, worstInv = 0;
    cUTM u;
    for (size_t i = 0; i < kPoints; ++i) {
        worstFwd = std::max(worstFwd, std::hypot(p.easting[i] - x[i], p.northing[i] - y[i]));
        // Inverse of PROJ's exact coordinates, compared with the start point.
        u.SetUtm(32, p.band[i], x[i], y[i] + (p.band[i] == 'C' ? 10000000.0 : 0.0));
        const double m = 6378137.0 * kDeg;
        worstInv = std::max(worstInv, std::hypot((u.latitude - p.lat[i]) * m,
                                                 (u.longitude - p.lon[i]) * m * std::cos(p.latRad[i])));
    }
    std::printf("UTM accuracy against PROJ over %zu points of zone 32, 80S..84N: forward %.4f m, inverse %.4f m\n",
                kPoints, worstFwd, worstInv);
}
#endif

// Collects items/s per benchmark so that the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> rate;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            auto it = r.counters.find("items_per_second");
            if (it != r.counters.end()) rate[r.benchmark_name()] = it->second;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
#ifdef TREK_HAVE_PROJ
    const std::pair<const char*, const char*> pairs[] = {
        {"BM_UtmForward", "BM_ProjUtmForward"},
        {"BM_UtmInverse", "BM_ProjUtmInverse"},
        {"BM_ProjectionForward/0", "BM_ProjProjectionForward/0"},
        {"BM_ProjectionForward/1", "BM_ProjProjectionForward/1"},
        {"BM_ProjectionForward/2", "BM_ProjProjectionForward/2"},
        {"BM_ProjectionForward/3", "BM_ProjProjectionForward/3"},
        {"BM_ProjectionInverse/0", "BM_ProjProjectionInverse/0"},
        {"BM_ProjectionInverse/1", "BM_ProjProjectionInverse/1"},
        {"BM_ProjectionInverse/2", "BM_ProjProjectionInverse/2"},
        {"BM_ProjectionInverse/3", "BM_ProjProjectionInverse/3"},
    };
    std::printf("\nthroughput as a multiple of PROJ's (proj_trans_generic, batch):\n");
    for (auto [ours, theirs] : pairs) {
        auto a = reporter.rate.find(ours), b = reporter.rate.find(theirs);
        if (a == reporter.rate.end() || b == reporter.rate.end() || b->second == 0) continue;
        std::printf("  %-24s %6.2f M/s   PROJ %6.2f M/s   ratio %.2f\n", ours, a->second / 1e6, b->second / 1e6,
                    a->second / b->second);
    }
    PrintAccuracyAgainstProj();
#else
    std::printf("\nPROJ not available: no comparison\n");
#endif
    benchmark::Shutdown();
    return 0;
}
