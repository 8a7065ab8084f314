// Where the sample's segments lie: each highway follows a gently winding path
// from its start, and each segment takes its stretch of that path.
#pragma once

#include <utility>
#include <vector>

#include "tools/sample/sample_network.h"

namespace sample {

// Ground km per inventory km, less one, along a highway.
double ground_factor(int highway);

// Flat-earth distance in km, 111.193 km per degree.
double flat_distance_km(double lat1, double lon1, double lat2, double lon2);

class Geometry {
public:
    Geometry(const Network& net, const Version& v);

    // Latitude and longitude at a km of a segment (0 to its length).
    std::pair<double, double> at(const Segment& s, double km);

    // The segment's centreline points: km 0, then every step km, then its
    // length; Km_Calc measured along the points themselves.
    std::vector<Point> points(const Segment& s);

private:
    struct Path {
        double lat0 = 0, lon0 = 0, heading = 0, wiggle = 0;
        long index = 0;  // cursor, in steps from the start
        double lat = 0, lon = 0;
        double heading_at(double s) const;
        std::pair<double, double> at(double s);
    };
    Path& path(int highway);

    const Network& net_;
    const Version& v_;
    std::vector<Path> paths_;
    std::vector<bool> ready_;
};

}  // namespace sample
