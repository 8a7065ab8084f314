#include "tools/sample/sample_geometry.h"

#include <cmath>
#include <cstdlib>

namespace sample {

namespace {

constexpr double kKmPerDegree = 111.193;
constexpr double kStepKm = 0.05;       // integration step of a path
constexpr double kPointStepKm = 0.2;   // centreline point spacing of the described segments
constexpr double kWavelengthKm = 7.3;  // of a highway's windings
constexpr double kDeg = M_PI / 180.0;

double round6(double v) {
    return std::round(v * 1e6) / 1e6;
}

}  // namespace

double flat_distance_km(double lat1, double lon1, double lat2, double lon2) {
    const double dy = (lat2 - lat1) * kKmPerDegree;
    const double dx = (lon2 - lon1) * std::cos((lat1 + lat2) / 2 * kDeg) * kKmPerDegree;
    return std::sqrt(dx * dx + dy * dy);
}

double Geometry::Path::heading_at(double s) const {
    return heading + wiggle * std::sin(2 * M_PI * s / kWavelengthKm);
}

std::pair<double, double> Geometry::Path::at(double s) {
    if (s < 0) s = 0;
    const long target = static_cast<long>(std::floor(s / kStepKm + 1e-9));
    if (target < index) {
        index = 0;
        lat = lat0;
        lon = lon0;
    }
    auto step = [this](double from, double ds, double& la, double& lo) {
        const double h = heading_at(from + ds / 2) * kDeg;
        la += ds * std::cos(h) / kKmPerDegree;
        lo += ds * std::sin(h) / (kKmPerDegree * std::cos(la * kDeg));
    };
    while (index < target) {
        step(index * kStepKm, kStepKm, lat, lon);
        ++index;
    }
    double la = lat, lo = lon;
    const double rest = s - index * kStepKm;
    if (rest > 1e-12) step(index * kStepKm, rest, la, lo);
    return {la, lo};
}

Geometry::Geometry(const Network& net, const Version& v)
    : net_(net), v_(v), paths_(net.desc.highways.size()), ready_(net.desc.highways.size(), false) {}

Geometry::Path& Geometry::path(int highway) {
    const std::size_t h = static_cast<std::size_t>(highway);
    if (!ready_[h]) {
        const HighwayDef& def = net_.desc.highways[h];
        Path& p = paths_[h];
        p.lat0 = p.lat = v_.path_start[h].first;
        p.lon0 = p.lon = v_.path_start[h].second;
        p.heading = def.heading;
        p.wiggle = def.wiggle;
        ready_[h] = true;
    }
    return paths_[h];
}

std::pair<double, double> Geometry::at(const Segment& s, double km) {
    const double L = std::strtod(s.length.c_str(), nullptr);
    const double t = L > 0 ? km / L : 0;
    const double g = s.path_from + t * (s.path_to - s.path_from);
    Path& p = path(s.highway);
    auto [lat, lon] = p.at(g);
    if (s.lateral_m != 0) {
        const double h = (p.heading_at(g) + 90) * kDeg;
        const double d = s.lateral_m / 1000.0;
        lat += d * std::cos(h) / kKmPerDegree;
        lon += d * std::sin(h) / (kKmPerDegree * std::cos(lat * kDeg));
    }
    return {round6(lat), round6(lon)};
}

std::vector<Point> Geometry::points(const Segment& s) {
    const double L = std::strtod(s.length.c_str(), nullptr);
    double step = kPointStepKm;
    if (s.filler) step = L / (net_.filler_points - 1);
    std::vector<double> kms;
    for (int k = 0;; ++k) {
        const double km = k * step;
        if (km >= L - 1e-6) break;
        kms.push_back(km);
    }
    kms.push_back(L);
    std::vector<Point> out;
    out.reserve(kms.size());
    double calc = 0;
    for (std::size_t i = 0; i < kms.size(); ++i) {
        Point p;
        p.row = static_cast<std::int32_t>(i + 1);
        std::tie(p.lat, p.lon) = at(s, kms[i]);
        if (i > 0) calc += flat_distance_km(out.back().lat, out.back().lon, p.lat, p.lon);
        p.km_scaled = static_cast<float>(kms[i]);
        p.km_calc = static_cast<float>(calc);
        out.push_back(p);
    }
    return out;
}

}  // namespace sample
